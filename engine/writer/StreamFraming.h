#pragma once

#include <vector>

class CPdfObject;

// Thorough recovery: a stream whose data the source framed so that readers
// stumble (no line end after "stream", blanks or a lone CR before it, no
// line end before "endstream") is written between line ends of the
// writer's own. The data and its length stay as they are.
void FrameStreamsAnew(const std::vector<CPdfObject*>& objects);
