// output/WriteFault.h — the capture file's writes, with a fault the tests can inject from outside.
#pragma once
#include <windows.h>

// Writes to a capture file through _lwrite. The environment variable QM57REC_TEST_WRITE_FAULT injects a
// fault for tests that run the real program: "full:N" makes every write that would carry the file past
// offset N write only up to N and fail, as a full disk does; "once:N" fails that way the first such write
// of the run and no other, as a passing fault would, so the recordings after it succeed. Without the
// variable every write goes straight on. Answers the count written, as _lwrite does (less than cb on
// failure).
UINT WriteCaptureBytes(HFILE hFile, const void* pv, UINT cb);
