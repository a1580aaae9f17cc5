// velo-vtx: renders a videotex picture file to a PNG image without a
// connection or a display.
//
//   velo-vtx FILE.pdi -o picture.png [--size WxH]
//
// FILE is a raw picture stream as a host sends it ("-" reads standard input).
// Decoding stops after the end-of-videotex sequence, as the picture window
// does; the picture is drawn at the canvas size given (640x500 by default,
// the large window; 512x400 and 384x300 are the other two) and the canvas's
// top-left W x H pixels are written. Wait opcodes do not wait.
// Exit status: 0 written, 1 the picture could not be read or the PNG not
// written, 2 a usage error (a bad option or size, a picture file that cannot
// be opened).
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstring>
#include <string>

#include "videotex/VtxDecoder.h"
#include "videotex/VtxReceiver.h"
#include "videotex/ui/VtxImageCanvas.h"
#include "tools/ToolArgs.h"

namespace {

constexpr char kUsage[] =
    "usage: velo-vtx FILE.pdi -o picture.png [--size WxH]\n"
    "  Renders a videotex (NAPLPS) picture file to a PNG image.\n"
    "  FILE may be - for standard input. WxH is at most 640x500\n"
    "  (the window sizes are 640x500, 512x400 and 384x300). See velo-vtx(1).\n";

bool ParseSize(const char* text, int& w, int& h)
{
    char x = 0;
    char rest = 0;
    if (std::sscanf(text, "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X'))
        return false;
    return w >= 1 && w <= velo::VtxImageCanvas::kSurfaceWidth && h >= 1 &&
           h <= velo::VtxImageCanvas::kSurfaceHeight;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* input = nullptr;
    const char* output = nullptr;
    int width = 640;
    int height = 500;
    velo::tool::Args args("velo-vtx", kUsage, argc, argv);
    while (args.Next()) {
        const std::string_view a = args.Arg();
        if (velo::tool::Args::IsHelp(a))
            args.Help();
        if (a == "-o") {
            output = args.Value();
        } else if (a == "--size") {
            const char* size = args.Value();
            if (!ParseSize(size, width, height))
                args.Fail("--size: bad size '%s' (WxH, at most 640x500)", size);
        } else if (velo::tool::Args::IsOption(a)) {
            args.UnknownOption();
        } else if (!input) {
            input = args.ArgText();
        } else {
            args.Fail("one picture file only, '%s' is one too many", args.ArgText());
        }
    }
    if (!input)
        args.Fail("no picture file given");
    if (!output)
        args.Fail("no output file given (-o picture.png)");

    FILE* in = std::strcmp(input, "-") ? std::fopen(input, "rb") : stdin;
    if (!in)
        args.Fail("cannot open %s: %s", input, std::strerror(errno));

    // Drawing text needs the font database; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    velo::VtxImageCanvas canvas(width, height);
    canvas.SetPauseHandler([](int) {});
    velo::VtxDecoder decoder;
    canvas.RebuildFonts(decoder.State());
    velo::VtxReceiver receiver;

    uint8_t buf[65536];
    bool ended = false;
    while (!ended) {
        const size_t n = std::fread(buf, 1, sizeof buf, in);
        if (n == 0)
            break;
        const velo::VtxReceiver::Result r = receiver.Scan(buf, n);
        decoder.Feed(canvas, buf, r.consumed);
        ended = r.ended;
    }
    const bool readError = std::ferror(in);
    if (in != stdin)
        std::fclose(in);
    if (readError) {
        std::fprintf(stderr, "velo-vtx: cannot read %s\n", input);
        return 1;
    }
    if (!canvas.Picture().save(QString::fromLocal8Bit(output), "PNG")) {
        std::fprintf(stderr, "velo-vtx: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
