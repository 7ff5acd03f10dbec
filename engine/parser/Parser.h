#pragma once

// Runs the grammar over the tokenizer until the end of the input. Answers 0,
// or 2 when the parse stack was exhausted. Raises what failed inside (memory)
// after the parse stack has been released; completed objects stay in the
// table either way.
int ParseTokens();
// The same over thorough recovery's balanced tokens and grammar.
int ParseTokensThoroughly();
