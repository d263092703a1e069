#pragma once

// The body of the server thread: runs the embedded HTTP server on the configured port
// (or a random free one when it is busy) until the accept loop sees the quit flag.
int RunServerThread();
