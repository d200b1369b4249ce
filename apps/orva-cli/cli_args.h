// What every orva-cli command does alike with its arguments: numbers, options, help, file
// names, and the rule that an output never replaces one of the inputs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli_load.h"

namespace orva {

// A whole number in [lo, hi], written in full ("10abc", "", "+3" and "1e3" are refused).
bool ParseWhole(std::string_view text, long long lo, long long hi, long long& out);
// The same into an int.
bool ParseWhole(std::string_view text, int lo, int hi, int& out);
// A finite decimal number in [lo, hi], written in full.
bool ParseDecimal(std::string_view text, double lo, double hi, double& out);

// True for -h and --help.
bool IsHelpOption(std::string_view arg);
// True when one of argv[2..] before a "--" asks for help.
bool WantsHelp(int argc, char** argv);

// True for an argument that can only be an option: anything starting with '-'. A file whose
// name starts with '-' is given after "--" (main rewrites those into "./-name").
bool LooksLikeOption(std::string_view arg);
// True for "-12" or "-0.5": a negative number, where a command takes one.
bool LooksLikeNegativeNumber(std::string_view arg);
// The one-line problem for an argument that looks like an option nobody took.
std::string UnknownOption(std::string_view arg);

// Rewrites the arguments after the first "--" that start with '-' into "./-name", and drops
// the "--", so that every command's parser sees them as file names.
std::vector<std::string> ArgumentsWithEndOfOptions(int argc, char** argv);

// Empty when no output is the same file as an input or as another output; otherwise the
// one-line reason naming both. With `in_place` and a single output, that output may be the
// first input: the picture is read whole before the result replaces it in one rename.
std::string CheckOutputs(const std::vector<std::string>& inputs,
                         const std::vector<std::string>& outputs, bool in_place = false);

// Empty when the folder a file is to be written into exists and takes files; else why not.
std::string FolderProblem(const std::string& file);

// The files a command reads: its pictures, then the settings file and darks of its load
// options.
std::vector<std::string> LoadInputs(const LoadOptions& load, std::vector<std::string> pictures);

}  // namespace orva
