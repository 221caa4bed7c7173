// Keyword comparison of the command line: without regard to case, over wide characters.
#pragma once

// True when both texts are equal after upper-casing each character; only the
// first 2,302 characters of each count. A null text equals only a null text.
bool keywordEquals(const char* a, const char* b);
