#pragma once

class QWidget;

// Fills in the memory of a top-level window's back buffer with one request to the kernel,
// before anything is painted into it. A fresh buffer is otherwise faulted in page by page
// as the first paint touches it: about 700 faults for a 1000 by 680 window, which cost
// several milliseconds where faults are expensive, as in virtual machines. Does nothing
// when the buffer is already filled in, is not a plain image, or the kernel lacks the
// request.
void populateBackBuffer(QWidget* window);
