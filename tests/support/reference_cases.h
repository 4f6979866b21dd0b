#pragma once
// The case files of the reference corpus: one directive per line, each case running from
// "case NAME" to "end" (or to the next case, or to the end of the file).

#include <string>
#include <vector>

struct ReferenceLine {
    int number = 0;                    // in the file, from 1
    std::vector<std::string> tokens;   // comments removed, never empty

    // The tokens joined by single blanks.
    std::string text() const;
};

struct ReferenceCase {
    std::string name;                  // as written; it names the case's picture
    std::vector<ReferenceLine> lines;  // every directive after "case", "dib" and notes included
};

// The blank-separated tokens of a line, up to a ';' or to a '#' that does not begin a
// #rrggbb colour, either of which starts a comment.
std::vector<std::string> tokenizeReferenceLine(const std::string& line);

// Every case of a case file, in file order. Throws std::runtime_error ("line N: why") for a
// directive that belongs to no case.
std::vector<ReferenceCase> parseReferenceCases(const std::string& text);

// The shared corpus: its folder, its cases (read once), one case by name (names are
// case-insensitive; null when there is none) and the picture the platform drew for a case.
std::string referenceCorpusDir();
const std::vector<ReferenceCase>& referenceCorpusCases();
const ReferenceCase* findReferenceCase(const std::string& name);
std::string referencePicturePath(const std::string& caseName);
