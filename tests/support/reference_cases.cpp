#include "reference_cases.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool beginsColour(const std::string& line, size_t at)
{
    if (at + 7 > line.size())
        return false;
    for (size_t i = at + 1; i < at + 7; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(line[i])))
            return false;
    return at + 7 == line.size() || isBlank(line[at + 7]) || line[at + 7] == ';';
}

} // namespace

std::string ReferenceLine::text() const
{
    std::string out;
    for (const std::string& t : tokens)
        out += (out.empty() ? "" : " ") + t;
    return out;
}

std::vector<std::string> tokenizeReferenceLine(const std::string& line)
{
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size() || line[i] == ';' || (line[i] == '#' && !beginsColour(line, i)))
            break;
        size_t end = i + 1;
        while (end < line.size() && !isBlank(line[end]) && line[end] != ';' && line[end] != '#')
            ++end;
        tokens.push_back(line.substr(i, end - i));
        if (end < line.size() && !isBlank(line[end]))
            break;
        i = end;
    }
    return tokens;
}

std::vector<ReferenceCase> parseReferenceCases(const std::string& text)
{
    std::vector<ReferenceCase> cases;
    bool inCase = false;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::vector<std::string> tokens = tokenizeReferenceLine(line);
        if (tokens.empty())
            continue;
        const std::string op = lower(tokens[0]);
        const auto fail = [&](const std::string& why) {
            throw std::runtime_error("line " + std::to_string(number) + ": " + why);
        };
        if (op == "case") {
            if (tokens.size() < 2)
                fail("case needs a name");
            cases.push_back({tokens[1], {}});
            inCase = true;
        } else if (op == "end") {
            inCase = false;
        } else if (inCase) {
            cases.back().lines.push_back({number, std::move(tokens)});
        } else if (op != "note" && op != "expect_equal") {
            fail(op == "dib" ? "dib before case" : "operation outside a case");
        }
    }
    return cases;
}

std::string referenceCorpusDir() { return PICTAVO_GDI_REFERENCE_DIR; }

const std::vector<ReferenceCase>& referenceCorpusCases()
{
    static const std::vector<ReferenceCase> cases = [] {
        std::ifstream in(referenceCorpusDir() + "/cases.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return parseReferenceCases(text.str());
    }();
    return cases;
}

const ReferenceCase* findReferenceCase(const std::string& name)
{
    const std::string wanted = lower(name);
    for (const ReferenceCase& c : referenceCorpusCases())
        if (lower(c.name) == wanted)
            return &c;
    return nullptr;
}

std::string referencePicturePath(const std::string& caseName)
{
    return referenceCorpusDir() + "/out/" + caseName + ".bmp";
}
