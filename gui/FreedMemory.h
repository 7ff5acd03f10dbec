#pragma once

// Gives memory that a repair, a page count or a preview freed back to the
// system. The allocator otherwise keeps it for the process, and the window
// would stay as large as the largest file it has repaired. Any thread.
void ReturnFreedMemory();
