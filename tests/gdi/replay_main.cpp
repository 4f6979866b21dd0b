// gdi-replay CASES.txt OUTDIR: runs every case of a case file on our raster layer and writes
// OUTDIR/NAME.bmp for each (and OUTDIR/returns.txt), in the form of the reference output.

#include "case_runner.h"

#include <QGuiApplication>

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gdi-replay CASES.txt OUTDIR\n");
        return 2;
    }
    // Text needs a Gui application; no display is wanted.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string outDir = argv[2];
    std::ofstream returns(outDir + "/returns.txt", std::ios::binary);
    if (!returns) {
        std::fprintf(stderr, "cannot write %s/returns.txt\n", outDir.c_str());
        return 2;
    }
    int cases = 0, failures = 0;
    std::string error;
    const bool ok = gdi::replay::runCases(
        text.str(),
        [&](gdi::replay::CaseOutput& out) {
            ++cases;
            const std::vector<uint8_t> bmp = gdi::replay::encodeBmp(*out.surface);
            std::ofstream file(outDir + "/" + out.name + ".bmp", std::ios::binary);
            file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
            if (!file) {
                std::fprintf(stderr, "cannot write %s/%s.bmp\n", outDir.c_str(), out.name.c_str());
                ++failures;
            }
            for (const std::string& r : out.returns)
                returns << out.name << '\t' << r << '\n';
        },
        error);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%d cases\n", cases);
    return failures ? 1 : 0;
}
