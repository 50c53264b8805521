#pragma once

#include <QtGlobal>

// The process-wide instance of a service. `main` builds the real service with its
// collaborators and installs it; tests build their own instances and install them
// only where a flow reaches the service through `shared()`.
template <typename T> class Shared {
public:
    static T& get() {
        if (!s_instance)
            qFatal("Quillbox: a shared service was used before it was installed");
        return *s_instance;
    }
    static T* tryGet() { return s_instance; }
    static void install(T* instance) { s_instance = instance; }

private:
    static inline T* s_instance = nullptr;
};
