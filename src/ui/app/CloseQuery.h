#pragma once
// A child window that may refuse to close. The main window asks every such
// child before it closes any of them, so that a refusal leaves them all open.

class CloseQuery {
public:
    virtual ~CloseQuery() = default;
    // May ask the user; true when the window agrees to close. A window that
    // agreed closes afterwards without asking again.
    virtual bool queryClose() = 0;
    // Another child refused: the next close asks again.
    virtual void closeCancelled() {}
};
