#pragma once

#include <QObject>

// Whether the application shows as a regular one or lives in the tray only. The desktop
// has no Dock to switch, so the policy is only recorded; windows that want a task-bar
// entry get one anyway.
class ActivationPolicy : public QObject {
    Q_OBJECT
public:
    enum class Policy { regular, accessory, prohibited };

    explicit ActivationPolicy(QObject* parent = nullptr);

    Policy activationPolicy() const { return m_policy; }
    void setActivationPolicy(Policy policy);

Q_SIGNALS:
    void activationPolicyChanged(ActivationPolicy::Policy policy);

private:
    Policy m_policy = Policy::regular;
};
