// SIGTERM and SIGINT as a request to end the run, delivered on the GUI thread.
// The handler only writes the signal's number to a pipe, which is safe in a
// signal handler; a notifier on the pipe's other end emits Requested from the
// event loop (a message box's or a prompt's own loop included), where the
// exit sequence can run. While an instance lives the two signals no longer end
// the process at once; its destructor puts back the handlers it found. A
// signal the process was started with ignored stays ignored. One instance at
// a time.
#pragma once

#include <signal.h>

#include <QObject>

class QSocketNotifier;

namespace ferrule {

class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

signals:
    void Requested(int signal);

private:
    void Drain();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[2] = {};
};

}  // namespace ferrule
