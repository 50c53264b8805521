#include "core/ActivationPolicy.h"

#include "core/Shared.h"

ActivationPolicy::ActivationPolicy(QObject* parent)
    : QObject(parent) {}

ActivationPolicy& ActivationPolicy::shared() {
    return Shared<ActivationPolicy>::get();
}

void ActivationPolicy::installShared(ActivationPolicy* instance) {
    Shared<ActivationPolicy>::install(instance);
}

void ActivationPolicy::setActivationPolicy(Policy policy) {
    if (policy == m_policy)
        return;
    m_policy = policy;
    Q_EMIT activationPolicyChanged(policy);
}
