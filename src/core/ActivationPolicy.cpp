#include "core/ActivationPolicy.h"

ActivationPolicy::ActivationPolicy(QObject* parent)
    : QObject(parent) {}

void ActivationPolicy::setActivationPolicy(Policy policy) {
    if (policy == m_policy)
        return;
    m_policy = policy;
    Q_EMIT activationPolicyChanged(policy);
}
