// The command line of the terminal program: the language variable, the six
// sub-commands with their options, and the usage texts.
#pragma once

#include <cstdio>

// English unless the variable named by EnvVarName is exactly "GERMAN".
void ASCIIChooseLanguage();

// Reads argv[1..argc-1] into ASCIIProgram, ASCIIFileName, ASCIIRouterIP and
// ASCIIReset, and checks the result. Every unknown word is reported on `err`,
// then the usage that fits. Returns 0 when the program may go on, 1 when it
// must end with status 1.
int ASCIIParseCommandLine(int argc, char** argv, FILE* err);

// The full usage text, and the blocks for linetarget and saveconfig without
// a file name; `program` is argv[0].
void ASCIIUsage(FILE* err, const char* program);
void ASCIIUsageLineTarget(FILE* err, const char* program);
void ASCIIUsageSaveConfig(FILE* err, const char* program);
