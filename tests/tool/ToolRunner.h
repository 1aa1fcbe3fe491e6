#pragma once
// Runs vlmrk-tool through /bin/sh, as a script runs it (so redirections and pipes in the
// arguments work), and collects its exit status, standard output and standard error. Shared by
// the tests of the tool's commands.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace tooltest {

struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// `args` are quoted for the shell by the caller; `prefix` goes before the tool ("env LANG=C");
// standard error is collected through errFile (dropped when errFile is empty).
inline TRun RunTool(const std::string& args, const std::string& errFile = {}, const std::string& prefix = {}) {
    TRun run;
    const std::string err = errFile.empty() ? std::string("/dev/null") : "'" + errFile + "'";
    const std::string command = prefix + (prefix.empty() ? "" : " ") + "'" + VLMRK_TOOL + "' " + args + " 2>" + err;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.Out.append(buf.data(), n);
    const int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errFile.empty()) {
        std::ifstream in(errFile, std::ios::binary);
        run.Err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return run;
}

}  // namespace tooltest
