#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>
#include <utility>
#include <vector>

struct xcb_connection_t;
struct xcb_screen_t;

// Pixels read from the root window, in the server's layout, owning their memory.
class XcbImage {
public:
    XcbImage() = default;
    XcbImage(XcbImage&& other) noexcept;
    XcbImage& operator=(XcbImage&& other) noexcept;
    ~XcbImage();

    bool isNull() const { return !m_bits; }
    const uchar* bits() const { return m_bits; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    qsizetype bytesPerLine() const { return m_bytesPerLine; }
    // The QImage::Format with this memory layout.
    int format() const { return m_format; }

private:
    friend class XcbRootGrabber;
    enum class Memory { none, shared, heap };
    void release();

    uchar* m_bits = nullptr;
    void* m_memory = nullptr; // what to give back: the shared segment or the reply
    Memory m_kind = Memory::none;
    int m_width = 0;
    int m_height = 0;
    qsizetype m_bytesPerLine = 0;
    int m_format = 0;
};

// Reads the root window over a connection of its own, through MIT-SHM when the server
// offers it, else with plain GetImage. Needs nothing of Qt but Core (not even to find
// Qt's connection), so the capture tool's quick path can use it. One thread at a time.
class XcbRootGrabber {
public:
    XcbRootGrabber();
    ~XcbRootGrabber();
    XcbRootGrabber(const XcbRootGrabber&) = delete;
    XcbRootGrabber& operator=(const XcbRootGrabber&) = delete;

    // Whether the screen's pixels can be read in a layout QImage knows (32-bit RGB or
    // 16-bit 565 in host order).
    bool isValid() const;
    QSize screenSize() const;
    // Pixels 32 bits wide, 0xffRRGGBB: what the quick path encodes directly.
    bool isRgb32() const;
    // The rectangle cut to the screen; a null image when nothing of it can be read.
    XcbImage grab(const QRect& rect);
    // The whole screen as grab() reads it, asked for in `bands` horizontal bands at once,
    // so that the first rows can be used while the server copies the rest. The image's
    // memory is there at once, its rows arrive from the top: nextBand() waits for the next
    // band. Null when shared memory cannot be used (then grab() reads the screen).
    XcbImage startScreenInBands(int bands);
    // Rows from the top that are in once the next band has arrived; the image's height once
    // all have; -1 when a band failed (the rest never come).
    int nextBand();

private:
    // Shared memory of the rectangle's size, attached on both sides; null when it cannot be.
    XcbImage sharedImage(const QRect& rect, uint32_t& segment);
    XcbImage grabShm(const QRect& rect);
    XcbImage grabPlain(const QRect& rect);

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    int m_format = 0;
    bool m_shm = false;
    // The bands asked for: each one's request and the row below it.
    std::vector<std::pair<unsigned int, int>> m_bands;
    size_t m_nextBand = 0;
};
