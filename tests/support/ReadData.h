#pragma once
// Read tests driven by files: every NAME.<ext> of a folder under tests/data/read/ is given to one
// of vlmrk-tool's dump commands, run in that folder (so messages name the file as given), and the
// answer is compared with NAME.expected.json beside it. The answer is the command's JSON, or
// {"error":"MESSAGE"} with the message the tool printed when it refused the file; a message that
// ends in " [CODE]" gives {"error":"MESSAGE","code":"CODE"}. Each folder's README says how its
// files were made and how to write the expectations again (tests/data/read/regenerate.py).
//
// A format's test is a TEST_P over DataFiles(folder, ext), named by VLMRK_READ_DATA_NAMES.

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace testutil {

// The files of `folder` whose names end in `extension` (".bmp"), sorted.
inline std::vector<std::string> DataFiles(const std::filesystem::path& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().extension() == extension) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string TrimmedEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

inline std::string ReadTextFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// NAME.expected.json for NAME.<ext>.
inline std::filesystem::path ExpectationOf(const std::filesystem::path& folder, const std::string& name) {
    return folder / (std::filesystem::path(name).stem().string() + ".expected.json");
}

inline std::string ReadExpectation(const std::filesystem::path& folder, const std::string& name) {
    return TrimmedEnd(ReadTextFile(ExpectationOf(folder, name)));
}

// A JSON string of 8-bit text, written as Python's json.dumps writes it (ensure_ascii): bytes
// above 127 as \u00XX, so the expectations can be written by a script.
inline std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20 || c > 0x7F) {
                    char hex[7];
                    std::snprintf(hex, sizeof hex, "\\u%04x", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// {"error":"MESSAGE"} from what the tool printed: "vlmrk-tool: MESSAGE" or "vlmrk-tool: MESSAGE [CODE]".
inline std::string ErrorJson(std::string printed) {
    printed = TrimmedEnd(printed);
    const std::string prefix = "vlmrk-tool: ";
    if (printed.rfind(prefix, 0) == 0) printed.erase(0, prefix.size());
    std::string code;
    const std::size_t open = printed.rfind(" [");
    if (open != std::string::npos && printed.back() == ']') {
        const std::string inside = printed.substr(open + 2, printed.size() - open - 3);
        const bool looksLikeCode = !inside.empty() && std::all_of(inside.begin(), inside.end(), [](unsigned char c) {
            return std::islower(c) || std::isdigit(c) || c == '.' || c == '_' || c == '-';
        });
        if (looksLikeCode) {
            code = inside;
            printed.erase(open);
        }
    }
    std::string json = "{\"error\":" + JsonString(printed);
    if (!code.empty()) json += ",\"code\":" + JsonString(code);
    return json + "}";
}

struct TToolAnswer {
    int Status = -1;
    std::string Output;  // standard output and standard error together
};

// Runs `vlmrk-tool ARGS` through the shell in `folder`; ARGS are quoted by the caller.
inline TToolAnswer RunToolIn(const std::string& tool, const std::filesystem::path& folder, const std::string& args) {
    const std::string command = "cd '" + folder.string() + "' && '" + tool + "' " + args + " 2>&1";
    TToolAnswer answer;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return answer;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) answer.Output.append(buffer.data(), n);
    const int status = ::pclose(pipe.release());
    answer.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return answer;
}

// The answer as the expectations hold it: the output when the command succeeded, else the error.
inline std::string AnswerJson(const TToolAnswer& answer) {
    return answer.Status == 0 ? TrimmedEnd(answer.Output) : ErrorJson(answer.Output);
}

inline bool IsErrorExpectation(const std::string& expectation) { return expectation.rfind("{\"error\":", 0) == 0; }

// A test name from a file name: letters and digits kept, everything else "_".
inline std::string DataTestName(const std::string& fileName) {
    std::string id;
    for (char c : std::filesystem::path(fileName).stem().string())
        id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return id;
}

}  // namespace testutil

#define VLMRK_READ_DATA_NAMES [](const ::testing::TestParamInfo<std::string>& info) { return testutil::DataTestName(info.param); }
