#pragma once

#include <functional>
#include <memory>

// Builds a service the first time it is asked for and keeps it until the owner goes:
// what the tray icon and the hot keys do not need waits for its first use.
template <typename T> class OnFirstUse {
public:
    explicit OnFirstUse(std::function<std::unique_ptr<T>()> make)
        : m_make(std::move(make)) {}

    T& get() {
        if (!m_instance)
            m_instance = m_make();
        return *m_instance;
    }

private:
    std::function<std::unique_ptr<T>()> m_make;
    std::unique_ptr<T> m_instance;
};
