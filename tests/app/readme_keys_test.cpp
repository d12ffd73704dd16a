// The README and the guides in docs/ against the program: the key and mouse table, the options
// table and the links between the pages. Words drift from code unless something checks them.
#include "app/key_bindings.h"
#include "app/mouse.h"
#include "app/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

typedef std::pair<std::string, std::string> Row;
typedef std::vector<Row> Rows;

const fs::path sourceDir = SKIN_SOURCE_DIR;

std::string ReadText(const fs::path &path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The first two cells of each row of the first table after the line `heading`, header and rule
// left out.
Rows TableAfter(const fs::path &page, const std::string &heading) {
    std::istringstream text(ReadText(page));
    std::string line;
    while (std::getline(text, line) && line != heading) {
    }
    EXPECT_EQ(line, heading) << "no such heading in " << page;
    Rows rows;
    int tableLine = 0;
    while (std::getline(text, line) && line.rfind("#", 0) != 0) {
        if (line.rfind("|", 0) != 0) {
            if (tableLine > 0)
                break;
            continue;
        }
        if (tableLine++ < 2)
            continue;
        size_t middle = line.find(" | ");
        size_t end = line.find(" |", middle + 3);
        EXPECT_NE(end, std::string::npos) << line;
        if (end == std::string::npos)
            continue;
        rows.push_back(Row(line.substr(2, middle - 2), line.substr(middle + 3, end - middle - 3)));
    }
    return rows;
}

std::string AsTableRow(const Row &row) {
    return "| " + row.first + " | " + row.second + " |";
}

// Every row of the program's key table and mouse list must be in the README's one table, word
// for word, and the README may have no other row; the failure prints the row to paste or drop.
TEST(KeyTable, TheReadmeListsEveryKeyAndGestureAsTheProgramBindsThem) {
    Rows program;
    KeyHelpLine lines[MaxKeyHelpLines];
    int count = KeyHelpLines(lines, MaxKeyHelpLines);
    for (int i = 0; i < count; ++i)
        program.push_back(Row(lines[i].keys, lines[i].help));
    for (int i = 0; i < MouseHelpLineCount; ++i)
        program.push_back(Row(mouseHelpLines[i].gesture, mouseHelpLines[i].help));

    Rows readme = TableAfter(sourceDir / "README.md", "## Keys and mouse");
    int differences = 0;
    for (const Row &row : program)
        if (std::find(readme.begin(), readme.end(), row) == readme.end()) {
            ADD_FAILURE() << "the program has a row the README's table lacks:\n" << AsTableRow(row);
            ++differences;
        }
    for (const Row &row : readme)
        if (std::find(program.begin(), program.end(), row) == program.end()) {
            ADD_FAILURE() << "the README's table has a row the program lacks:\n" << AsTableRow(row);
            ++differences;
        }
    // Same rows: then also the order of --help and the panel's list.
    if (differences == 0) {
        EXPECT_EQ(readme, program);
    }

    // Every code is bound once, so the handler's lookup cannot hide a row.
    for (int i = 0; i < KeyBindingCount; ++i)
        EXPECT_EQ(FindKeyBinding(keyBindings[i].keyCode), &keyBindings[i])
            << keyBindings[i].keyName;
}

// The README and the guides in docs/.
std::vector<fs::path> Pages() {
    std::vector<fs::path> pages = {sourceDir / "README.md"};
    for (const fs::directory_entry &entry : fs::directory_iterator(sourceDir / "docs"))
        if (entry.path().extension() == ".md")
            pages.push_back(entry.path());
    return pages;
}

// The options guide's table has one row per option that --help lists, and no other; and no page
// names an option --help does not have, in a command line of the program or as code of its own
// (`--name ...`).
TEST(Docs, ThePagesNameExactlyTheOptionsOfHelp) {
    char *text = nullptr;
    size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    PrintUsage(out, "skinning_demo");
    std::fclose(out);
    std::istringstream help(text);
    std::free(text);

    std::set<std::string> helpOptions;
    std::string line;
    while (std::getline(help, line) && line != "Keys:")
        if (line.rfind("  --", 0) == 0)
            helpOptions.insert(line.substr(2, line.find(' ', 2) - 2));
    EXPECT_GE(helpOptions.size(), 5u);

    std::set<std::string> guideOptions;
    for (const Row &row : TableAfter(sourceDir / "docs" / "options.md", "## Options")) {
        EXPECT_EQ(row.first.rfind("`--", 0), 0u) << row.first;
        guideOptions.insert(row.first.substr(1, row.first.find_first_of(" `", 1) - 1));
    }
    EXPECT_EQ(guideOptions, helpOptions);

    // After the program's name every "--name" is one of its options; elsewhere only code that
    // starts with one is (other tools' options, cmake's say, are left alone).
    const std::regex commandOption("[ `\"]--[a-z][a-z-]*");
    const std::regex codeOption("`--[a-z][a-z-]*");
    int mentions = 0;
    for (const fs::path &page : Pages()) {
        std::istringstream pageText(ReadText(page));
        while (std::getline(pageText, line)) {
            size_t program = line.find("skinning_demo ");
            std::string words = program == std::string::npos ? line : line.substr(program);
            const std::regex &option = program == std::string::npos ? codeOption : commandOption;
            for (std::sregex_iterator match(words.begin(), words.end(), option), end; match != end;
                 ++match, ++mentions)
                EXPECT_TRUE(helpOptions.count(match->str().substr(1)))
                    << page.filename() << " names " << match->str().substr(1) << ": " << line;
        }
    }
    EXPECT_GE(mentions, 20);
}

// The anchor a heading gets on the pages' host: lower case, punctuation dropped, spaces as dashes.
std::string HeadingAnchor(const std::string &heading) {
    std::string anchor;
    for (unsigned char c : heading) {
        if (c == ' ')
            anchor += '-';
        else if (std::isalnum(c) || c == '-' || c == '_' || c >= 0x80)
            anchor += (char)std::tolower(c);
    }
    return anchor;
}

// A page's text without its fenced code blocks, which hold commands, not links.
std::string ProseOf(const fs::path &page, std::set<std::string> *anchors) {
    std::istringstream text(ReadText(page));
    std::string prose, line;
    bool inCode = false;
    while (std::getline(text, line)) {
        if (line.rfind("```", 0) == 0) {
            inCode = !inCode;
            continue;
        }
        if (inCode)
            continue;
        if (anchors && line.rfind("#", 0) == 0)
            anchors->insert(HeadingAnchor(line.substr(line.find_first_not_of('#') + 1)));
        prose += line + "\n";
    }
    return prose;
}

// Moving text between pages breaks links silently; every relative link of the README and the
// guides must name a file that exists and, into a page, a heading that page has.
TEST(Docs, RelativeLinksPointAtFilesAndHeadingsThatExist) {
    std::vector<fs::path> pages = Pages();
    ASSERT_GE(pages.size(), 2u);

    int links = 0;
    for (const fs::path &page : pages) {
        std::string prose = ProseOf(page, nullptr);
        for (size_t at = prose.find("]("); at != std::string::npos; at = prose.find("](", at + 2)) {
            std::string target = prose.substr(at + 2, prose.find(')', at) - at - 2);
            if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0)
                continue;
            ++links;
            size_t hash = target.find('#');
            fs::path file = page;
            if (hash != 0)
                file = page.parent_path() / target.substr(0, hash);
            EXPECT_TRUE(fs::exists(file)) << page.filename() << " links to " << target;
            if (hash == std::string::npos || !fs::exists(file))
                continue;
            std::set<std::string> anchors;
            ProseOf(file, &anchors);
            EXPECT_TRUE(anchors.count(target.substr(hash + 1)))
                << page.filename() << " links to " << target << ", a heading not in the page";
        }
    }
    EXPECT_GE(links, 10);
}

} // namespace
