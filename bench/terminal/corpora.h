// Deterministic corpora for the feed benchmark (and tests that want volume).
#pragma once

#include <cstddef>
#include <string>

namespace velo::bench {

// Plain ASCII text lines ending in CR LF.
std::string PlainCorpus(size_t bytes);
// ANSI art: a colour change every 2-4 characters, cursor moves, erase-line.
std::string AnsiArtCorpus(size_t bytes);
// KS C 5601 Hangul syllables mixed with ASCII words.
std::string HangulCorpus(size_t bytes);

}  // namespace velo::bench
