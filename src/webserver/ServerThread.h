#pragma once

class AppState;
class Stop_Signal;

// The body of the server thread: runs the embedded HTTP server of `state` on its
// configured port (or a random free one when it is busy; any free one when the
// configured port is 0) until the accept loop sees the quit flag or `stop` is given.
int RunServerThread(AppState& state, Stop_Signal* stop = nullptr);
