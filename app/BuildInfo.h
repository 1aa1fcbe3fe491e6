#pragma once
// What "--version" says: the product's version and the date of the sources the build was made
// from (SOURCE_DATE_EPOCH when the build sets it, else the date of the last commit, as of the
// last configure run).

namespace app {

const char* ProductVersion();
// "YYYY-MM-DD", or "unknown" outside a repository without SOURCE_DATE_EPOCH.
const char* SourceDate();

}  // namespace app
