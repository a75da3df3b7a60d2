#pragma once
// Ending the program. Qt's quit() does nothing before the main loop runs, so the request is also kept as
// a flag: the entry looks at it before entering the loop, and a request made inside a nested modal loop
// (the start-up login) ends that loop at once.
namespace vh {

// Ends every running event loop and marks the application as ending.
void TerminateApplication();
// True once TerminateApplication has been called.
bool ApplicationTerminated();
// Tests only: forget an earlier request.
void ResetApplicationTermination();

} // namespace vh
