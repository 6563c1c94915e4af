// Library-internal bookkeeping shared by the lower and upper layers.
#pragma once

// Counts a handle that is handed out as a new bitmap.
void DibCountNewBitmap();
// Sets the library's own error record.
void DibSetError(int code, const char* where);
