#pragma once
// Helpers shared by the language data tests: the sample sources and a tree comparison.

#include <gtest/gtest.h>

#include <string>

#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"

namespace langtest {

std::string ReadText(const std::string& path);
std::string SamplePath();

// The sample native language parsed into store; answers its header.
langdata::TLangFileHeader LoadSample(locstore::TLocStorage& store);

// Expects got (read from a file of format fv into slot `slot`) to hold what src (parsed from a
// source, slot 0) says, as far as format fv carries it. In a structure load a negative revision of
// a constant or property reads as the project version, and items without id get one.
void ExpectSameItems(const locstore::TLocStorage& src, const locstore::TLocStorage& got, int fv, int slot,
                     bool structure, std::uint32_t version);

// Every item of the store has one value per store language.
void ExpectConsistent(const locstore::TLocStorage& store);

}  // namespace langtest
