#include "library/atomic_file.h"
#include "tests/support/test_paths.h"

#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Page()
{
    const auto bytes = bw::readWholeFile(BW_HELP_SOURCE);
    return std::string(bytes.begin(), bytes.end());
}

TEST(HelpPage, ListsEveryShortcutAndTypedKeyword)
{
    const std::string page = Page();
    for (const char* key : {"Ctrl+O", "Ctrl+S", "Ctrl+W", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+L",
                            "Del", "Space", "-", "+", "Enter"}) {
        EXPECT_NE(page.find(std::string("<kbd>") + key + "</kbd>"), std::string::npos) << key;
    }
    for (const char* word : {"quillrop", "tintrose", "tintcoal", "peekskin", "grabdisk", "zoomtemp",
                             "hushlit+", "hushlit-", "panelzam", "panelzan", "credroll"}) {
        EXPECT_NE(page.find(std::string("<code>") + word + "</code>"), std::string::npos) << word;
    }
}

TEST(HelpPage, CoversEveryPartOfTheProgram)
{
    const std::string page = Page();
    for (const char* topic : {"The screen",
                              "add/delete events",
                              "select events",
                              "value lane",
                              "track list",
                              "Select Sound",
                              "mixer",
                              "New Pat",
                              "Del Pat",
                              "song sequencer",
                              "Stop at",
                              "LOOP SOLO",
                              "Sound Libary",
                              "Load Wave",
                              "Shuffle",
                              "Delay",
                              "Write Pattern Wav",
                              "Write Song Wav",
                              "Pattern Sequencer",
                              "Performance",
                              "About Beatwright",
                              "Save as",
                              "Quit",
                              "Stretch Wave",
                              "Set Stop Event",
                              "Import Libary",
                              "Export Libary",
                              "CLOSE and SAVE",
                              "Learn MIDI Note",
                              "View &gt; MIDI",
                              "Write Song MIDI"}) {
        EXPECT_NE(page.find(topic), std::string::npos) << topic;
    }
}

TEST(HelpPage, IsACompleteHtmlDocumentWithWorkingLinks)
{
    const std::string page = Page();
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("</html>"), std::string::npos);
    EXPECT_NE(page.find("<title>Beatwright Help</title>"), std::string::npos);
    std::set<std::string> ids;
    const std::regex id("id=\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), id); it != std::sregex_iterator();
         ++it) {
        EXPECT_TRUE(ids.insert((*it)[1]).second) << "duplicate id " << (*it)[1];
    }
    const std::regex link("href=\"#([^\"]+)\"");
    int links = 0;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link);
         it != std::sregex_iterator(); ++it) {
        ++links;
        EXPECT_EQ(ids.count((*it)[1]), 1u) << "broken link #" << (*it)[1];
    }
    EXPECT_GT(links, 10);
    // The build copies the page beside the program unchanged.
    EXPECT_EQ(bw::readWholeFile(std::string(BW_ASSET_DIR) + "/help/index.htm"),
              bw::readWholeFile(BW_HELP_SOURCE));
}

} // namespace
