#pragma once

class Stop_Signal;

// The body of the server thread: runs the embedded HTTP server on the configured port
// (or a random free one when it is busy) until the accept loop sees the quit flag or
// `stop` is given.
int RunServerThread(Stop_Signal* stop = nullptr);
