#pragma once

#include "core/library/Screenshot.h"

class EditorModel;
class HistoryManager;
class Pasteboard;

// The editor's three ways out. Each finishes the text being typed, renders the base
// image with the marks afresh and reports its outcome in the editor's status message.
class AnnotationExporter {
public:
    static constexpr int copiedClearDelayMs = 1500;
    static constexpr int savedClearDelayMs = 1500;

    AnnotationExporter(EditorModel& model, HistoryManager& library, Pasteboard& pasteboard,
                       Screenshot screenshot);

    // One clipboard item carrying the picture as PNG and as TIFF.
    void copyToClipboard();
    // Files the picture as a new capture of the same kind; the editor stays on its own.
    void saveCopy();
    // Writes the picture over the capture's file; the marks stay separate marks.
    void overwriteOriginal();

    // "Save failed: " and the reason. Where the reason names the file ("Existing file
    // /home/…/x.png is not writable"), the path goes after it, so that a status line cut at
    // its end still says why.
    static QString failedSaveStatus(const QString& error, const QString& path);

private:
    // Finishes the text being typed and renders; says so when it cannot.
    std::optional<QByteArray> renderForSaving();

    EditorModel& m_model;
    HistoryManager& m_library;
    Pasteboard& m_pasteboard;
    Screenshot m_screenshot;
};
