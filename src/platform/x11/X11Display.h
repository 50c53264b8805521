#pragma once

// Whether an X server answers at $DISPLAY; asked before Qt starts, which would abort.
bool x11DisplayAvailable();
