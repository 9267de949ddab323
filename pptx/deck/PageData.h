// What beamer (through hyperref) writes about pages besides their contents: the
// transition to a page (\transdissolve and the others, \transduration), and the
// bookmarks, whose top level are the talk's sections. For dvips they are pdfmarks
// ({ThisPage} /PUT, /OUT), for dvipdfmx its specials (pdf:put @thispage, pdf:outline).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PageTransition {
    std::string style;  // PDF's /S: Dissolve, Wipe, Blinds, ...; R (none) when empty
    char dimension = 'H', motion = 'I';  // /Dm H or V, /M I or O
    int direction = 0;                   // /Di, degrees counterclockwise from left to right
    double duration = -1;                // /D, seconds
    double advance = -1;                 // /Dur, seconds on the page before the next
};

// Reads what a special puts on its page into `into`; false when it is no such special.
bool ReadPageTransition(std::string_view special, PageTransition& into);

// The slide's p:transition for `transition`; empty for none, and `missing` names a
// transition that has no equivalent.
std::string TransitionElement(const PageTransition& transition, std::string& missing);

struct Bookmark {
    int level = 0;            // from 0 for the top level
    std::string title;        // UTF-8
    std::string destination;  // a named destination
};

// Reads a bookmark special into `bookmarks`; `open` keeps, between calls, the numbers of
// children the pdfmarks so far still owe their parents.
void ReadBookmark(std::string_view special, std::vector<Bookmark>& bookmarks,
                  std::vector<std::int64_t>& open);
