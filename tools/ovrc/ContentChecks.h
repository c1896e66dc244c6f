#pragma once
#include "ContentCompiler.h"

#include <string>
#include <vector>

/// Checks that a set of resources makes a content module the programs can
/// use: the name lists agree with the topics, every script, picture, styled
/// text and wave named by a record is present, palette bitmap 253 is there,
/// the sound list and default sequence name things that exist. Returns one
/// message per problem, each starting with the source location when known.
std::vector<std::string> CheckContent(const std::vector<BuiltResource>& resources);

/// Checks that every help item that names a file (not an address) names one
/// under `docsDir`, the folder of documents installed with the programs,
/// resolved as the viewer resolves it. One message per target that is not
/// there.
std::vector<std::string> CheckHelpTargets(const std::vector<BuiltResource>& resources, const std::string& docsDir);
