#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a request on the event loop, so quitting runs the same
// clean-up as "Quit Quillbox". The handler itself only writes one byte to a pipe.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void terminationRequested(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
