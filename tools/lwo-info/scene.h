// lwo-info's view of a LightWave scene (.lws): its range and rate, its items
// with their parents, pivots and motion channels, and the reader's warnings.
#pragma once

// Prints what the scene reader makes of the file, as text or as one JSON
// object on one line. False, with the reason on standard error, when the
// scene cannot be read.
bool printLwScene(const char* path, bool json);
