#include "platform/x11/XcbRootGrabber.h"

#include "platform/x11/XcbConnection.h"

#include <QImage>
#include <algorithm>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <utility>
#include <xcb/shm.h>

namespace {

xcb_visualtype_t* rootVisual(xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
    }
    return nullptr;
}

// The QImage format whose memory layout equals the server's pixels for the root window,
// so grabbed pixels are used as they arrive.
int matchingFormat(xcb_connection_t* c, xcb_screen_t* screen) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const bool hostLsb = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    if ((setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != hostLsb)
        return 0;
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth)
            bitsPerPixel = it.data->bits_per_pixel;
    const xcb_visualtype_t* visual = rootVisual(screen);
    if (!visual)
        return 0;
    if (bitsPerPixel == 32 && screen->root_depth >= 24 && visual->red_mask == 0xff0000 &&
        visual->green_mask == 0xff00 && visual->blue_mask == 0xff)
        return QImage::Format_RGB32;
    if (bitsPerPixel == 16 && screen->root_depth == 16 && visual->red_mask == 0xf800 &&
        visual->green_mask == 0x7e0 && visual->blue_mask == 0x1f)
        return QImage::Format_RGB16;
    return 0;
}

int bytesPerPixel(int format) {
    return format == QImage::Format_RGB16 ? 2 : 4;
}

} // namespace

XcbImage::XcbImage(XcbImage&& other) noexcept {
    *this = std::move(other);
}

XcbImage& XcbImage::operator=(XcbImage&& other) noexcept {
    if (this != &other) {
        release();
        m_bits = std::exchange(other.m_bits, nullptr);
        m_memory = std::exchange(other.m_memory, nullptr);
        m_kind = std::exchange(other.m_kind, Memory::none);
        m_width = other.m_width;
        m_height = other.m_height;
        m_bytesPerLine = other.m_bytesPerLine;
        m_format = other.m_format;
    }
    return *this;
}

XcbImage::~XcbImage() {
    release();
}

void XcbImage::release() {
    if (m_kind == Memory::shared)
        shmdt(m_memory);
    else if (m_kind == Memory::heap)
        std::free(m_memory);
    m_kind = Memory::none;
    m_memory = nullptr;
    m_bits = nullptr;
}

XcbRootGrabber::XcbRootGrabber() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return;
    m_screen = xcbScreen(m_connection, screenNumber);
    if (!m_screen)
        return;
    m_format = matchingFormat(m_connection, m_screen);
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(m_connection, &xcb_shm_id);
    m_shm = shm && shm->present;
}

XcbRootGrabber::~XcbRootGrabber() {
    xcb_disconnect(m_connection);
}

bool XcbRootGrabber::isValid() const {
    return m_screen && m_format != 0;
}

bool XcbRootGrabber::isRgb32() const {
    return isValid() && m_format == QImage::Format_RGB32;
}

QSize XcbRootGrabber::screenSize() const {
    if (!m_screen)
        return {};
    return {m_screen->width_in_pixels, m_screen->height_in_pixels};
}

XcbImage XcbRootGrabber::grab(const QRect& rect) {
    const QRect area = rect.intersected(QRect(QPoint(0, 0), screenSize()));
    if (area.isEmpty() || !isValid())
        return {};
    if (m_shm) {
        XcbImage image = grabShm(area);
        if (!image.isNull())
            return image;
    }
    return grabPlain(area);
}

XcbImage XcbRootGrabber::sharedImage(const QRect& rect, uint32_t& segment) {
    xcb_connection_t* c = m_connection;
    // Rows are padded to 32 bits.
    const qsizetype bytesPerLine = (qsizetype(rect.width()) * bytesPerPixel(m_format) + 3) & ~3;
    const size_t size = size_t(bytesPerLine) * size_t(rect.height());
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) {
        m_shm = false;
        return {};
    }
    XcbImage image;
    image.m_memory = shmat(id, nullptr, 0);
    if (image.m_memory == reinterpret_cast<void*>(-1)) {
        image.m_memory = nullptr;
        shmctl(id, IPC_RMID, nullptr);
        m_shm = false;
        return {};
    }
    image.m_kind = XcbImage::Memory::shared;
    segment = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> attachError(
        xcb_request_check(c, xcb_shm_attach_checked(c, segment, id, 0)));
    // Both sides are attached (or the server refused): the segment goes once both detach.
    shmctl(id, IPC_RMID, nullptr);
    if (attachError) {
        // A server on another host, or one that may not see our memory: use GetImage.
        m_shm = false;
        return {};
    }
    image.m_bits = static_cast<uchar*>(image.m_memory);
    image.m_width = rect.width();
    image.m_height = rect.height();
    image.m_bytesPerLine = bytesPerLine;
    image.m_format = m_format;
    return image;
}

XcbImage XcbRootGrabber::grabShm(const QRect& rect) {
    xcb_connection_t* c = m_connection;
    xcb_shm_seg_t segment = 0;
    XcbImage image = sharedImage(rect, segment);
    if (image.isNull())
        return {};
    XcbReply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, m_screen->root, int16_t(rect.x()), int16_t(rect.y()),
                          uint16_t(rect.width()), uint16_t(rect.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        nullptr));
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    if (!reply)
        return {};
    return image;
}

XcbImage XcbRootGrabber::startScreenInBands(int bands) {
    m_bands.clear();
    m_nextBand = 0;
    const QRect screen(QPoint(0, 0), screenSize());
    if (!m_shm || !isValid() || screen.isEmpty())
        return {};
    xcb_connection_t* c = m_connection;
    xcb_shm_seg_t segment = 0;
    XcbImage image = sharedImage(screen, segment);
    if (image.isNull())
        return {};
    bands = std::clamp(bands, 1, screen.height());
    // No other client draws between the bands: they show the screen of one moment, as a
    // single read would. The server keeps the order, so the grab ends after the last band.
    xcb_grab_server(c);
    for (int i = 0; i < bands; ++i) {
        const int top = screen.height() * i / bands;
        const int bottom = screen.height() * (i + 1) / bands;
        m_bands.push_back(
            {xcb_shm_get_image(c, m_screen->root, 0, int16_t(top), uint16_t(screen.width()),
                               uint16_t(bottom - top), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment,
                               uint32_t(top * image.bytesPerLine()))
                 .sequence,
             bottom});
    }
    xcb_ungrab_server(c);
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    return image;
}

int XcbRootGrabber::nextBand() {
    if (m_nextBand >= m_bands.size())
        return m_bands.empty() ? -1 : m_bands.back().second;
    const auto [sequence, bottom] = m_bands[m_nextBand];
    XcbReply<xcb_shm_get_image_reply_t> reply(
        xcb_shm_get_image_reply(m_connection, {sequence}, nullptr));
    if (!reply) {
        for (size_t i = m_nextBand + 1; i < m_bands.size(); ++i)
            xcb_discard_reply(m_connection, m_bands[i].first);
        m_bands.clear();
        return -1;
    }
    ++m_nextBand;
    return bottom;
}

XcbImage XcbRootGrabber::grabPlain(const QRect& rect) {
    xcb_connection_t* c = m_connection;
    XcbImage image;
    auto* reply = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root, int16_t(rect.x()),
                      int16_t(rect.y()), uint16_t(rect.width()), uint16_t(rect.height()), ~0u),
        nullptr);
    if (!reply)
        return {};
    // The reply holds the pixels; the image frees it when done.
    image.m_memory = reply;
    image.m_kind = XcbImage::Memory::heap;
    const qsizetype bytesPerLine = xcb_get_image_data_length(reply) / rect.height();
    if (bytesPerLine < qsizetype(rect.width()) * bytesPerPixel(m_format))
        return {};
    image.m_bits = xcb_get_image_data(reply);
    image.m_width = rect.width();
    image.m_height = rect.height();
    image.m_bytesPerLine = bytesPerLine;
    image.m_format = m_format;
    return image;
}
