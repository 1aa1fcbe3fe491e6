#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <map>
#include <string>

#include "resources/messages/MessageCatalog.h"

namespace {

// Every VLMRK_RESSTRING(Name, Id, ...) declared in the program's sources.
std::map<std::string, int> DeclaredMessages() {
    std::map<std::string, int> found;
    const std::regex decl(R"(VLMRK_RESSTRING\(\s*(\w+)\s*,\s*(\d+)\s*,)");
    for (const char* dir : {"platform", "locstore", "langdata", "modres", "localizer", "app"}) {
        std::filesystem::path root = std::filesystem::path(VLMRK_SOURCE_DIR) / dir;
        if (!std::filesystem::exists(root)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.path().extension() != ".h") continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch m;
            while (std::getline(in, line)) {
                auto start = line.find_first_not_of(" \t");
                if (start == std::string::npos || line.compare(start, 15, "VLMRK_RESSTRING") != 0) continue;
                if (std::regex_search(line, m, decl)) found[m[1]] = std::stoi(m[2]);
            }
        }
    }
    return found;
}

}  // namespace

TEST(MessageCatalog, IdsAreUniqueAndInTheirRanges) {
    std::set<int> ids;
    for (const auto* rec : messages::AllMessages()) {
        EXPECT_TRUE(ids.insert(rec->Id).second) << "duplicate id " << rec->Id << " (" << rec->Identifier << ")";
        EXPECT_TRUE(rec->Id >= 65100 && rec->Id <= 65535) << rec->Identifier;
        EXPECT_FALSE(rec->Unit.empty());
        EXPECT_FALSE(rec->Text.empty());
    }
}

TEST(MessageCatalog, ListsEveryDeclaration) {
    std::map<std::string, int> listed;
    for (const auto* rec : messages::AllMessages()) listed[std::string(rec->Identifier)] = rec->Id;
    auto declared = DeclaredMessages();
    EXPECT_GE(declared.size(), 10u);
    for (const auto& [name, id] : declared) {
        auto it = listed.find(name);
        ASSERT_NE(it, listed.end()) << name << " is declared but not in resources/messages/MessageCatalog.cpp";
        EXPECT_EQ(it->second, id) << name;
    }
}
