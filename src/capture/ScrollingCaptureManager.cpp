#include "capture/ScrollingCaptureManager.h"

#include "capture/ScrollingCaptureHud.h"
#include "core/FutureDelivery.h"
#include "core/image/Png.h"
#include "core/library/HistoryManager.h"
#include "core/services/Alerts.h"
#include "core/services/EscapeKeyMonitor.h"
#include "core/services/InputSynthesizer.h"
#include "core/services/SoundPlayer.h"
#include "core/stitch/ScrollStitcher.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QtConcurrent>

namespace {

constexpr int minimumRegionSide = 40;

QString capturingText(int frames) {
    return QStringLiteral("Capturing\u2026 ") + QString::number(frames);
}

} // namespace

ScrollingCaptureManager::ScrollingCaptureManager(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_c(std::move(collaborators))
    , m_loop(m_c.input, m_c.grabber, m_c.loop) {
    connect(&m_loop, &ScrollCaptureLoop::frameCountChanged, this,
            [this](int frames) { setHudText(capturingText(frames)); });
    connect(&m_loop, &ScrollCaptureLoop::finished, this, &ScrollingCaptureManager::loopFinished);
}

ScrollingCaptureManager::~ScrollingCaptureManager() {
    if (m_localEscMonitor)
        qApp->removeEventFilter(this);
    m_c.escape.stop();
}

void ScrollingCaptureManager::capture() {
    if (m_isCapturing)
        return;
    if (!m_c.requestScreenRecordingPermission())
        return;
    if (!ensureAccessibilityPermission())
        return;
    if (!m_c.selectRegion)
        return;
    // A folder on a drive that is not mounted is never created in its place.
    if (const auto problem = m_c.library.prepareStorageDirectory()) {
        m_c.alerts.run({problem->message, problem->details, {QStringLiteral("OK")}});
        return;
    }
    QPointer<ScrollingCaptureManager> self = this;
    m_c.selectRegion([self](std::optional<QRectF> region) {
        if (!self || !region || region->width() < minimumRegionSide ||
            region->height() < minimumRegionSide)
            return;
        self->begin(*region);
    });
}

bool ScrollingCaptureManager::ensureAccessibilityPermission() {
    if (m_c.input.isAvailable())
        return true;
    // There is nothing to switch on: the X server either offers XTEST or it does not.
    m_c.alerts.run({QStringLiteral("Scrolling capture is not available"),
                    QStringLiteral("Scrolling capture scrolls the page for you with the X "
                                   "server's XTEST extension, which this server does not offer. "
                                   "Start Quillbox in an X11 session whose server has XTEST."),
                    {QStringLiteral("OK")}});
    return false;
}

void ScrollingCaptureManager::begin(const QRectF& region) {
    m_isCapturing = true;
    m_cancelled = false;
    qApp->installEventFilter(this);
    m_localEscMonitor = true;
    m_c.escape.start([this] { cancel(); });
    m_c.hideThumbnail();
    showHud(region);
    m_pointer = m_c.input.pointerPosition();
    m_loop.start(region, [this] { return m_cancelled; });
}

void ScrollingCaptureManager::cancel() {
    if (m_isCapturing)
        m_cancelled = true;
}

bool ScrollingCaptureManager::eventFilter(QObject* watched, QEvent* event) {
    if (m_localEscMonitor && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ScrollingCaptureManager::setHudText(const QString& text) {
    m_hudText = text;
    if (m_hud)
        m_hud->setText(text);
    Q_EMIT hudTextChanged(text);
}

void ScrollingCaptureManager::showHud(const QRectF& region) {
    m_hudText = QStringLiteral("Capturing scrolling screenshot\u2026");
    Q_EMIT hudTextChanged(m_hudText);
    if (!m_c.showHud)
        return;
    m_hud = std::make_unique<ScrollingCaptureHud>();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // The panel may never be part of a frame: where every spot would cover the region, it
    // waits until the grabbing is over.
    m_hudScreen = screen ? screen->availableGeometry() : QRect();
    const auto spot = screen ? ScrollingCaptureHud::placement(m_hudScreen, region) : QPoint();
    if (!spot)
        return;
    m_hud->move(*spot);
    m_hud->show();
}

void ScrollingCaptureManager::loopFinished(const ScrollCaptureFrames& result) {
    if (m_pointer)
        m_c.input.warpPointer(*m_pointer);
    if (result.frames.isEmpty())
        return finish();
    setHudText(result.frames.size() == 1 ? QStringLiteral("Saving\u2026")
                                         : QStringLiteral("Stitching\u2026"));
    if (m_hud && !m_hud->isVisible()) {
        // Nothing more is grabbed: the panel may take its usual place over the region.
        m_hud->move(ScrollingCaptureHud::placement(m_hudScreen, QRectF()).value_or(QPoint()));
        m_hud->show();
    }
    save(result);
}

void ScrollingCaptureManager::save(const ScrollCaptureFrames& result) {
    const HistoryManager::ReservedFile file = m_c.library.newFileURL();
    // The stitcher joins content that moved down the screen; frames of content that moved
    // up join the same way read last to first, and the result still reads top to bottom.
    QList<QImage> frames = result.frames;
    QList<int> deltas = result.deltas;
    if (result.contentMovedUp) {
        std::reverse(frames.begin(), frames.end());
        std::reverse(deltas.begin(), deltas.end());
    }
    auto job = QtConcurrent::run([frames, deltas, path = file.path] {
        const QImage image = ScrollStitcher::stitchAll(frames, deltas).image;
        if (image.isNull())
            return QStringLiteral("the frames could not be joined");
        QString error;
        return png::write(image, path, &error) ? QString() : error;
    });
    future_delivery::deliver(
        std::move(job), this,
        [this, file](const QString& error) { saved(file.fileName, file.path, error); },
        QStringLiteral("the capture was stopped before it was saved"));
}

void ScrollingCaptureManager::saved(const QString& fileName, const QString& path,
                                    const QString& error) {
    if (!error.isEmpty()) {
        m_c.library.releaseReservedFileName(fileName);
        m_c.sound.beep();
        finish();
        // A full disk or a folder that went away is said, not only beeped.
        const QString folder = QFileInfo(path).absolutePath();
        m_c.alerts.run({QStringLiteral("The capture could not be saved."),
                        QStringLiteral("Quillbox could not save it in the screenshots folder ") +
                            folder + QStringLiteral(": ") + error + QLatin1Char('.'),
                        {QStringLiteral("OK")}});
        return;
    }
    // A capture the history cannot keep has been told about already: no success sound.
    std::optional<Screenshot> filed;
    if (m_c.library.add(fileName, ScreenshotKind::scrolling, &filed))
        m_c.sound.playCaptureSound();
    if (filed)
        m_c.showThumbnail(*filed);
    finish();
}

void ScrollingCaptureManager::finish() {
    m_isCapturing = false;
    m_cancelled = false;
    if (m_localEscMonitor) {
        qApp->removeEventFilter(this);
        m_localEscMonitor = false;
    }
    m_c.escape.stop();
    m_hud.reset();
    Q_EMIT finished();
}
