#pragma once
#include <string>
#include <vector>

class ContentModule;

/// One line per resource of the module, sorted as plain text:
/// "type=<T> name=<N> lang=<L> size=<bytes> sha256=<hex>", where T and N
/// are a decimal id or the name as stored (UTF-8).
std::vector<std::string> ListModule(const ContentModule& module);
