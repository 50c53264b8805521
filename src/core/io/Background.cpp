#include "core/io/Background.h"

namespace background {

QThreadPool& readers() {
    // Never destroyed: a pool's destructor waits for its threads.
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(2);
        return made;
    }();
    return *pool;
}

} // namespace background
