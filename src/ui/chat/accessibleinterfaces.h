#pragma once

// Installs the accessible interfaces of the widgets the client draws itself (the chat
// view and the window picker), so screen readers can read them. Safe to call more than
// once; the widgets call it when they are made.
void installAccessibleInterfaces();
