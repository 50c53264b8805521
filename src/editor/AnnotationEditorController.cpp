#include "editor/AnnotationEditorController.h"

#include "core/annotate/CanvasGeometry.h"
#include "core/image/CaptureFile.h"
#include "core/io/Background.h"
#include "core/library/HistoryManager.h"
#include "core/services/SoundPlayer.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorWindow.h"

#include <QPointer>
#include <algorithm>

namespace {

constexpr QSize minimumContentSize(700, 460);

// Room the window leaves for the toolbar, the action bar and the canvas's margins.
constexpr double barsHeight = 110;

} // namespace

AnnotationEditorController::AnnotationEditorController(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

AnnotationEditorController::~AnnotationEditorController() {
    qDeleteAll(m_windows);
}

void AnnotationEditorController::open(const Screenshot& screenshot) {
    if (EditorWindow* existing = m_windows.value(screenshot.id())) {
        promoteActivation();
        bringForward(*existing);
        return;
    }
    const QUuid id = screenshot.id();
    if (m_reading.contains(id))
        return;
    m_reading.insert(id);
    // A missing, empty, truncated, unreadable or oversized file, or anything that is not a
    // file, reads as nothing.
    const QString path = m_collaborators.library.fileURL(screenshot);
    background::run<QImage>(
        background::readers(), background::waitedFor, [path] { return capture_file::read(path); },
        this,
        [this, screenshot](const QImage& image) {
            m_reading.remove(screenshot.id());
            if (image.isNull())
                m_collaborators.sound.beep();
            else
                openWindow(screenshot, image);
            Q_EMIT openFinished(screenshot.id(), !image.isNull());
        });
}

void AnnotationEditorController::openWindow(const Screenshot& screenshot, const QImage& image) {
    promoteActivation();

    auto* window = new EditorWindow;
    const QUuid id = screenshot.id();
    QPointer<AnnotationEditorController> self(this);
    // The editor's Close goes the way of the window's close button.
    auto onClose = [self, id] {
        if (self && self->m_windows.contains(id))
            self->m_windows.value(id)->close();
    };
    const QSizeF size = initialContentSize(canvas_geometry::imagePixelSize(image),
                                           m_collaborators.visibleScreenFrame());
    window->setEditor(new AnnotationEditorView(
        screenshot, image, {m_collaborators.library, m_collaborators.pasteboard}, onClose));
    window->setWindowTitle(QStringLiteral("Edit — ") + screenshot.fileName());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setMinimumSize(minimumContentSize);
    const QSize content = size.toSize();
    window->resize(content);
    if (const auto frame = m_collaborators.visibleScreenFrame()) {
        QRect placed(QPoint(), content);
        placed.moveCenter(frame->toRect().center());
        window->move(placed.topLeft());
    }
    connect(window, &EditorWindow::windowWillClose, this,
            &AnnotationEditorController::windowWillClose);
    m_windows.insert(id, window);
    bringForward(*window);
}

void AnnotationEditorController::windowWillClose(QObject* object) {
    auto* window = qobject_cast<EditorWindow*>(object);
    if (!window)
        return;
    for (auto it = m_windows.begin(); it != m_windows.end(); ++it) {
        if (it.value() == window) {
            m_windows.erase(it);
            // Still inside its own close handling: it goes once that has returned.
            window->deleteLater();
            break;
        }
    }
    if (!m_windows.isEmpty())
        return;
    m_collaborators.activationPolicy.setActivationPolicy(
        m_previousActivationPolicy.value_or(ActivationPolicy::Policy::accessory));
    m_previousActivationPolicy.reset();
}

void AnnotationEditorController::promoteActivation() {
    ActivationPolicy& policy = m_collaborators.activationPolicy;
    if (policy.activationPolicy() != ActivationPolicy::Policy::regular) {
        m_previousActivationPolicy = policy.activationPolicy();
        policy.setActivationPolicy(ActivationPolicy::Policy::regular);
    }
}

void AnnotationEditorController::bringForward(EditorWindow& window) {
    window.show();
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.raise();
    window.activateWindow();
}

QSizeF AnnotationEditorController::initialContentSize(QSizeF imageSize,
                                                      std::optional<QRectF> visibleFrame) {
    const double maxW = visibleFrame ? visibleFrame->width() * 0.85 : 1224;
    const double maxH = visibleFrame ? visibleFrame->height() * 0.85 - barsHeight : 655;
    const double w = imageSize.width();
    const double h = imageSize.height();
    const double s = std::min({maxW / (w > 1 ? w : 1), maxH / (h > 1 ? h : 1), 1.0});
    return {std::max(w * s + 40, 820.0), std::max(h * s + barsHeight + 24, 580.0)};
}
