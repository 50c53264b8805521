#include "ui/ThumbnailPreviewController.h"

#include "core/Shared.h"

ThumbnailPreviewController::ThumbnailPreviewController(QObject* parent)
    : QObject(parent) {}

ThumbnailPreviewController& ThumbnailPreviewController::shared() {
    return Shared<ThumbnailPreviewController>::get();
}

void ThumbnailPreviewController::installShared(ThumbnailPreviewController* instance) {
    Shared<ThumbnailPreviewController>::install(instance);
}

void ThumbnailPreviewController::show(const Screenshot& screenshot) {
    m_screenshot = screenshot;
}

void ThumbnailPreviewController::dismissNow(bool animated) {
    Q_UNUSED(animated);
    m_screenshot.reset();
}
