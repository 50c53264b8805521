#pragma once

#include "core/library/Screenshot.h"

#include <QObject>
#include <optional>

// The floating thumbnail shown after a capture. For now it only keeps the screenshot it
// would show; the panel itself comes later. `show` and `dismissNow` are virtual so flows
// that call them can be tested without a panel.
class ThumbnailPreviewController : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailPreviewController(QObject* parent = nullptr);

    static ThumbnailPreviewController& shared();
    static void installShared(ThumbnailPreviewController* instance);

    virtual void show(const Screenshot& screenshot);
    virtual void dismissNow(bool animated);

    // The screenshot on show, if any.
    const std::optional<Screenshot>& screenshot() const { return m_screenshot; }

private:
    std::optional<Screenshot> m_screenshot;
};
