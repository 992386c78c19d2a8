// The panel serving clients: the line server of ferrule-ctl serve, run
// inside the panel, so that a script and a person share one controller.
// Each command from a client runs on the GUI thread exactly as the matching
// control's handler does (in the command frame, through the ready gate), so
// the panel shows it and the log lists its bytes; the reply goes back once
// the controller has answered. Nothing a client sends ever opens a message
// box or prompt: confirmations come with the command (--yes), and the steps
// of Neutral Density with `mode nd STEPS`. The sockets are served on the
// server's own thread; the GUI thread never waits on them.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/remote/command_grammar.h"
#include "core/remote/line_server.h"
#include "core/remote/link_narrator.h"
#include "core/remote/outcome.h"
#include "core/remote/reply_watcher.h"

class CShutterPanelDlg;

class PanelRemote : public QObject {
    Q_OBJECT

public:
    static constexpr int kReplyTimeoutMs = 2000;

    explicit PanelRemote(CShutterPanelDlg& panel);
    ~PanelRemote() override;

    // Starts serving; false with *error when a socket cannot be had.
    bool Start(const ferrule::remote::LineServerOptions& options, std::string* error);
    void Stop();
    bool Serving() const { return m_server != nullptr; }
    // Where clients connect, for the log: "unix:PATH", "tcp:HOST:PORT".
    std::string Addresses() const;

private:
    using Outcome = ferrule::remote::Outcome;
    using Awaits = ferrule::remote::ReplyWatcher::Awaits;

    // On the GUI thread: the request taken as soon as the panel is free (no
    // handler of its own under way, no box or prompt open).
    void Take(const ferrule::remote::LineServer::Request& request);
    void Execute(const ferrule::remote::LineServer::Request& request);
    // Runs the command's handler; the outcome when it is done at once,
    // nothing when the controller's answer is awaited.
    std::optional<Outcome> Begin(const ferrule::remote::Command& command);
    // What ends a wait: the watcher's reply (its time running out is an
    // error), the time itself, or whichever comes first.
    enum class Until { Reply, Time, ReplyOrTime };
    // Waits up to budgetMs, then `then` gives the outcome, or calls Expect
    // again to wait for more.
    void Expect(int64_t budgetMs, std::function<Outcome()> then, Until until = Until::Reply);
    void CheckAwaited();
    void Finish(const Outcome& outcome);
    Outcome NotReady(const ferrule::remote::Command& command) const;
    std::string Identification() const;

    CShutterPanelDlg& m_panel;
    std::unique_ptr<ferrule::remote::LineServer> m_server;
    ferrule::remote::ReplyWatcher m_watcher;
    std::unique_ptr<ferrule::remote::LinkNarrator> m_narrator;
    std::optional<ferrule::remote::LineServer::Request> m_current;
    ferrule::remote::Command m_command;
    QTimer m_awaitTimer;  // checks what is awaited at the poll's 2 ms
    int64_t m_deadlineMs = 0;
    Until m_until = Until::Reply;
    int m_cyclesBefore = 0;  // cycles counted before a run's wait began
    std::function<Outcome()> m_then;
};
