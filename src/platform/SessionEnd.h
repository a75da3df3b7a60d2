#pragma once
// How the end of the user's session reaches the program besides its own exit.
// Linux: SIGTERM, SIGINT and SIGHUP (a session that ends, `kill`, Ctrl+C, a closed terminal) end it like
// its exit; a session manager's request to save may be a mere checkpoint, the end comes as its "die".
// Windows: the window messages of the session's end, which Qt handles; no signals to watch.
namespace vh::platform {

class TerminationSignals {
public:
    // Catches the signals from now on (one instance at a time).
    TerminationSignals();
    // Gives the signals back to their default handling.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Catches them again after a library put its own handlers in place (the database engine does for
    // SIGINT and SIGTERM, and would only shut itself down).
    void Reclaim();
    // Readable once a signal has arrived; -1 where there is nothing to watch.
    int Fd() const;
    // Empties Fd(); true when a signal had arrived.
    bool Take();
};

// True where the window system asks to save work only when the session ends (Windows); false where
// the request may be a checkpoint within a session that goes on (X11 session managers).
bool SaveRequestEndsSession();

} // namespace vh::platform
