// ovrc: the content compiler. Builds a content module from text sources,
// lists a module's resources, and dumps any module back to sources.
#include "ContentDumper.h"
#include "ContentModule.h"
#include "ModuleBuilder.h"
#include "ModuleLister.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage(FILE* to)
{
    std::fputs("usage: ovrc list MODULE\n"
               "       ovrc build SRC_DIR -o OUT.dll [--docs DIR]\n"
               "       ovrc dump MODULE -o DIR\n",
               to);
}

std::shared_ptr<const ContentModule> Open(const std::string& path)
{
    std::string error;
    auto module = ContentModule::FromFile(path, &error);
    if (!module) {
        // The reader's message may name the file already.
        if (error.rfind(path, 0) == 0)
            std::fprintf(stderr, "ovrc: %s\n", error.c_str());
        else
            std::fprintf(stderr, "ovrc: %s: %s\n", path.c_str(), error.c_str());
    }
    return module;
}

int List(const std::string& path)
{
    auto module = Open(path);
    if (!module)
        return 1;
    for (const std::string& line : ListModule(*module))
        std::printf("%s\n", line.c_str());
    for (const std::string& warning : module->Resources().Warnings())
        std::fprintf(stderr, "ovrc: %s: %s\n", path.c_str(), warning.c_str());
    return 0;
}

// With docsDir (the documents installed with the programs), every help
// item that names a file must name one there.
int Build(const std::string& srcDir, const std::string& out, const std::string& docsDir)
{
    std::vector<uint8_t> image;
    std::vector<std::string> errors;
    if (!BuildModuleImage(srcDir, &image, &errors, docsDir)) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "ovrc: %s\n", e.c_str());
        std::fprintf(stderr, "ovrc: %s not written\n", out.c_str());
        return 1;
    }
    std::string error;
    if (!WriteFileAtomically(out, image, &error)) {
        std::fprintf(stderr, "ovrc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Dump(const std::string& path, const std::string& dir)
{
    auto module = Open(path);
    if (!module)
        return 1;
    ContentDumper dumper;
    std::string error;
    if (!dumper.Dump(*module, dir, &error)) {
        std::fprintf(stderr, "ovrc: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %d resources as source, %d kept raw\n", dir.c_str(), dumper.DecodedCount(), dumper.RawCount());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        Usage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string& command = args[0];
    if (command == "list" && args.size() == 2)
        return List(args[1]);
    if (command == "build" && args.size() == 6 && args[2] == "-o" && args[4] == "--docs")
        return Build(args[1], args[3], args[5]);
    if ((command == "build" || command == "dump") && args.size() == 4 && args[2] == "-o")
        return command == "build" ? Build(args[1], args[3], {}) : Dump(args[1], args[3]);
    Usage(stderr);
    return 2;
}
