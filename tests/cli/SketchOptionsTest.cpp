#include <gtest/gtest.h>

#include <ostream>

#include "SketchOptions.h"

namespace tracella {
namespace {

SketchOptions Parsed(const QStringList& arguments) {
  const auto parsed = ParseSketchOptions(arguments);
  if (const auto* error = std::get_if<SketchUsageError>(&parsed)) ADD_FAILURE() << error->reason.toStdString();
  return std::get_if<SketchOptions>(&parsed) ? std::get<SketchOptions>(parsed) : SketchOptions{};
}

TEST(SketchOptionsTest, DefaultsAndEveryOptionInBothSpellings) {
  const SketchOptions plain = Parsed({"in.jpg", "out.png"});
  EXPECT_EQ(plain.threshold, 9.0f);
  EXPECT_EQ(plain.color, claBlack);
  EXPECT_EQ(plain.inputs, QStringList{"in.jpg"});
  EXPECT_EQ(plain.output, "out.png");
  EXPECT_EQ(plain.format, "png");
  EXPECT_FALSE(plain.transparent);
  EXPECT_EQ(plain.blur, 0.0f);
  EXPECT_EQ(plain.speckle, 0);  // a raster keeps every pixel; an SVG drops specks of 2
  EXPECT_EQ(Parsed({"in.jpg", "out.svg"}).speckle, 2);
  EXPECT_EQ(Parsed({"--speckle", "5", "in.jpg", "out.jpg"}).speckle, 5);
  EXPECT_EQ(plain.jobs, 0);  // one per processor
  EXPECT_FALSE(plain.force);

  const SketchOptions set = Parsed({"--threshold", "12.5", "--color=80FF00aa", "--blur=2.5", "--background", "none",
                                    "--speckle", "0", "--force", "--jobs=3", "in.bmp", "OUT.SVG"});
  EXPECT_EQ(set.threshold, 12.5f);
  EXPECT_EQ(set.color, 0x80FF00AAu);
  EXPECT_EQ(set.blur, 2.5f);
  EXPECT_TRUE(set.transparent);
  EXPECT_EQ(set.speckle, 0);
  EXPECT_TRUE(set.force);
  EXPECT_EQ(set.jobs, 3);
  EXPECT_EQ(set.format, "svg");
  EXPECT_FALSE(set.xdog);
  EXPECT_FALSE(set.centerline);
  EXPECT_TRUE(Parsed({"--trace", "centerline", "--verbose", "in.bmp", "out.svg"}).centerline);
  EXPECT_FALSE(Parsed({"--trace=outline", "in.bmp", "out.svg"}).centerline);

  const SketchOptions xdog = Parsed({"--method", "xdog", "--sigma=2.5", "--sharpness", "30", "--epsilon", "-0.1",
                                     "--soft", "--phi", "5", "in.bmp", "out.png"});
  EXPECT_TRUE(xdog.xdog);
  EXPECT_EQ(xdog.sigma, 2.5f);
  EXPECT_EQ(xdog.sharpness, 30.0f);
  EXPECT_EQ(xdog.epsilon, -0.1f);
  EXPECT_TRUE(xdog.soft);
  EXPECT_EQ(xdog.phi, 5.0f);

  const SketchOptions batch = Parsed({"--out-dir=sketches", "a.jpg", "--format", "PNG", "b/c.d.tif", "--", "-odd.png"});
  EXPECT_EQ(batch.format, "png");
  EXPECT_EQ(batch.inputs, (QStringList{"a.jpg", "b/c.d.tif", "-odd.png"}));
  const QList<SketchJob> jobs = SketchJobs(batch);
  ASSERT_EQ(jobs.size(), 3);
  EXPECT_EQ(jobs[1].input, "b/c.d.tif");
  EXPECT_EQ(jobs[1].output, "sketches/b/c.d.png");  // the folder under the inputs' common one
  EXPECT_EQ(SketchJobs(Parsed({"--out-dir", "s", "x.gif"}))[0].output, "s/x.png");
  EXPECT_EQ(SketchJobs(Parsed({"--base=photos", "--out-dir", "s", "photos/x/y.png"}))[0].output, "s/x/y.png");
  EXPECT_EQ(SketchJobs(Parsed({"--base", "photos", "--out-dir", "s", "elsewhere/y.png"}))[0].output, "");

  const SketchOptions names = Parsed({"--out-dir", "s", "--from", "-", "-0"});
  EXPECT_EQ(names.from, "-");
  EXPECT_TRUE(names.namesEndInNul);
  EXPECT_TRUE(names.inputs.isEmpty());
}

TEST(SketchOptionsTest, StandardInputAndOutput) {
  const SketchOptions piped = Parsed({"--format", "jpeg", "-", "-"});
  EXPECT_EQ(piped.inputs, QStringList{"-"});
  EXPECT_EQ(piped.output, "-");
  EXPECT_EQ(piped.format, "jpg");
  EXPECT_EQ(Parsed({"-", "out.svg"}).format, "svg");
  EXPECT_EQ(Parsed({"--format", "png", "in.gif", "out.PNG"}).format, "png");
}

// One parser for the command and the window's colour box: the forms users write.
TEST(SketchOptionsTest, ColoursAsTheColourBoxReadsThem) {
  const std::pair<const char*, TAlphaColor> cases[] = {
      {"#FF0000", 0xFFFF0000u}, {"#80FF0000", 0x80FF0000u}, {"red", 0xFFFF0000u},      {"SteelBlue", 0xFF4682B4u},
      {"#f00", 0xFFFF0000u},    {"FF0000FF", 0xFF0000FFu},  {"80ff0000", 0x80FF0000u}, {" transparent ", 0x00000000u},
  };
  for (const auto& [text, color] : cases) EXPECT_EQ(Parsed({"--color", text, "a.png", "b.png"}).color, color) << text;
}

TEST(SketchOptionsTest, LimitsAreInclusive) {
  EXPECT_EQ(Parsed({"--threshold", "3", "a.png", "b.png"}).threshold, 3.0f);
  EXPECT_EQ(Parsed({"--threshold", "33", "a.png", "b.png"}).threshold, 33.0f);
  EXPECT_EQ(Parsed({"--blur", "10", "a.png", "b.png"}).blur, 10.0f);
  EXPECT_EQ(Parsed({"--jobs", "1", "a.png", "b.png"}).jobs, 1);
}

TEST(SketchOptionsTest, HelpAndVersionWinOverEverythingElse) {
  for (const QStringList& arguments :
       {QStringList{"--help"}, QStringList{"-h", "--bogus"}, QStringList{"a", "--help"}}) {
    const auto parsed = ParseSketchOptions(arguments);
    ASSERT_TRUE(std::holds_alternative<SketchOptions>(parsed)) << arguments.join(' ').toStdString();
    EXPECT_TRUE(std::get<SketchOptions>(parsed).help) << arguments.join(' ').toStdString();
  }
  const auto version = ParseSketchOptions({"--version", "--bogus"});
  ASSERT_TRUE(std::holds_alternative<SketchOptions>(version));
  EXPECT_TRUE(std::get<SketchOptions>(version).version);
}

TEST(SketchOptionsTest, UsageNamesEveryExtensionTheLoaderOpens) {
  EXPECT_TRUE(SketchUsage().contains(
      "\nINPUT is a .bmp, .jpg, .jpeg, .png, .gif, .tif, .tiff, .ico or .wmp file (any letter case),\n"));
}

// The limits and defaults the parser holds are the ones the usage (and so the manual) states.
TEST(SketchOptionsTest, UsageStatesTheParsersLimitsAndDefaults) {
  const QString usage = SketchUsage();
  EXPECT_TRUE(usage.contains("\nDrawing:\n  --threshold T        3 to 33, fractions allowed (default 9)\n"));
  EXPECT_TRUE(
      usage.contains("\n  --blur SIGMA         smooth the grey with a Gaussian of SIGMA pixels (0 to 10) before\n"));
  EXPECT_TRUE(usage.contains("\n  --jobs N             sketch N pictures at a time (1 to 1024; default: one per\n"));
  EXPECT_TRUE(usage.contains("\n  -h, --help           show this help and exit\n"));
}

struct UsageErrorCase {
  const char* name;
  QStringList arguments;
  const char* reason;
};

void PrintTo(const UsageErrorCase& c, std::ostream* out) {
  *out << "tracella-sketch " << c.arguments.join(' ').toStdString() << ": \"" << c.reason << '"';
}

class SketchUsageErrors : public testing::TestWithParam<UsageErrorCase> {};

TEST_P(SketchUsageErrors, SayWhatIsWrongInOneLine) {
  const auto parsed = ParseSketchOptions(GetParam().arguments);
  const auto* error = std::get_if<SketchUsageError>(&parsed);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->reason.toStdString(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SketchUsageErrors,
    testing::Values(
        UsageErrorCase{"NoFiles", {}, "expected INPUT and OUTPUT"},
        UsageErrorCase{"InputOnly", {"only-input.png"}, "expected INPUT and OUTPUT"},
        UsageErrorCase{"ThreeFiles", {"a.png", "b.png", "c.png"}, "expected INPUT and OUTPUT"},
        UsageErrorCase{"OutputBmp", {"a.png", "b.bmp"}, "OUTPUT must end in .jpg, .jpeg, .png or .svg: b.bmp"},
        UsageErrorCase{"OutputWithoutExtension", {"a.png", "b"}, "OUTPUT must end in .jpg, .jpeg, .png or .svg: b"},
        UsageErrorCase{"ThresholdBelow3",
                       {"--threshold", "2.99", "a.png", "b.png"},
                       "--threshold must be a number from 3 to 33, not '2.99'"},
        UsageErrorCase{"ThresholdAbove33",
                       {"--threshold", "33.01", "a.png", "b.png"},
                       "--threshold must be a number from 3 to 33, not '33.01'"},
        UsageErrorCase{"ThresholdInWords",
                       {"--threshold", "nine", "a.png", "b.png"},
                       "--threshold must be a number from 3 to 33, not 'nine'"},
        UsageErrorCase{"ThresholdNaN",
                       {"--threshold", "nan", "a.png", "b.png"},
                       "--threshold must be a number from 3 to 33, not 'nan'"},
        UsageErrorCase{"ThresholdEmptyAfterEquals",
                       {"--threshold=", "a.png", "b.png"},
                       "--threshold must be a number from 3 to 33, not ''"},
        UsageErrorCase{"ThresholdLastWithoutValue", {"a.png", "b.png", "--threshold"}, "--threshold needs a value"},
        UsageErrorCase{"ColorSevenDigits",
                       {"--color", "FF00000", "a.png", "b.png"},
                       "--color must be #RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB, not 'FF00000'"},
        UsageErrorCase{"ColorNineDigits",
                       {"--color", "FF0000000", "a.png", "b.png"},
                       "--color must be #RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB, not 'FF0000000'"},
        UsageErrorCase{"ColorWith0x",
                       {"--color", "0xFF0000", "a.png", "b.png"},
                       "--color must be #RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB, not '0xFF0000'"},
        UsageErrorCase{"ColorNotHex",
                       {"--color", "GG000000", "a.png", "b.png"},
                       "--color must be #RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB, not 'GG000000'"},
        UsageErrorCase{"ColorUnknownName",
                       {"--color", "rouge", "a.png", "b.png"},
                       "--color must be #RRGGBB, #AARRGGBB, a colour name, or 8 hex digits AARRGGBB, not 'rouge'"},
        UsageErrorCase{
            "BlurNegative", {"--blur", "-1", "a.png", "b.png"}, "--blur must be a number from 0 to 10, not '-1'"},
        UsageErrorCase{
            "BlurAbove10", {"--blur", "10.5", "a.png", "b.png"}, "--blur must be a number from 0 to 10, not '10.5'"},
        UsageErrorCase{
            "JobsZero", {"--jobs", "0", "a.png", "b.png"}, "--jobs must be a whole number from 1 to 1024, not '0'"},
        UsageErrorCase{"JobsFraction",
                       {"--jobs", "2.5", "a.png", "b.png"},
                       "--jobs must be a whole number from 1 to 1024, not '2.5'"},
        UsageErrorCase{"SpeckleNegative",
                       {"--speckle", "-1", "a.png", "b.svg"},
                       "--speckle must be a whole number from 0 to 1000000, not '-1'"},
        UsageErrorCase{"BackgroundBlack",
                       {"--background", "black", "a.png", "b.png"},
                       "--background must be white or none, not 'black'"},
        UsageErrorCase{"TransparentJpeg",
                       {"--background", "none", "a.png", "b.jpg"},
                       "--background none needs PNG or SVG output: JPEG has no transparency"},
        UsageErrorCase{"TransparentJpegInAFolder",
                       {"--background", "none", "--out-dir", "d", "--format", "jpg", "a.png"},
                       "--background none needs PNG or SVG output: JPEG has no transparency"},
        UsageErrorCase{
            "FormatOtherThanOutput", {"--format", "svg", "a.png", "b.png"}, "--format svg does not match OUTPUT b.png"},
        UsageErrorCase{"StandardOutputWithoutFormat", {"a.png", "-"}, "writing to standard output (-) needs --format"},
        UsageErrorCase{
            "FormatGif", {"--out-dir", "d", "--format", "gif", "a.png"}, "--format must be jpg, png or svg, not 'gif'"},
        UsageErrorCase{"FolderWithoutInputs", {"--out-dir", "d"}, "expected at least one INPUT"},
        UsageErrorCase{"StandardInputIntoAFolder",
                       {"--out-dir", "d", "a.png", "-"},
                       "standard input (-) needs one OUTPUT, not --out-dir"},
        UsageErrorCase{"FolderEmpty", {"--out-dir", "", "a.png"}, "--out-dir must be a folder, not ''"},
        UsageErrorCase{"FromWithoutFolder", {"--from", "list", "a.png", "b.png"}, "--from needs --out-dir"},
        UsageErrorCase{"BaseWithoutFolder", {"--base", "photos", "a.png", "b.png"}, "--base needs --out-dir"},
        UsageErrorCase{"NulWithoutFrom", {"-0", "a.png", "b.png"}, "-0 applies only with --from"},
        UsageErrorCase{"FlagWithAValue", {"--force=yes", "a.png", "b.png"}, "--force takes no value"},
        UsageErrorCase{
            "MethodUnknown", {"--method", "canny", "a.png", "b.png"}, "--method must be edges or xdog, not 'canny'"},
        UsageErrorCase{"SigmaBelowHalf",
                       {"--method", "xdog", "--sigma", "0.4", "a.png", "b.png"},
                       "--sigma must be a number from 0.5 to 100, not '0.4'"},
        UsageErrorCase{"SigmaWithEdges", {"--sigma", "2", "a.png", "b.png"}, "--sigma applies only to --method xdog"},
        UsageErrorCase{"SoftWithEdges", {"--soft", "a.png", "b.png"}, "--soft applies only to --method xdog"},
        UsageErrorCase{"ThresholdWithXdog",
                       {"--method", "xdog", "--threshold", "9", "a.png", "b.png"},
                       "--threshold applies only to --method edges"},
        UsageErrorCase{"BlurWithXdog",
                       {"--blur", "2", "--method", "xdog", "a.png", "b.png"},
                       "--blur applies only to --method edges"},
        UsageErrorCase{
            "PhiWithoutSoft", {"--method", "xdog", "--phi", "5", "a.png", "b.png"}, "--phi applies only with --soft"},
        UsageErrorCase{"SoftSvg",
                       {"--method", "xdog", "--soft", "a.png", "b.svg"},
                       "--soft needs PNG or JPEG output: SVG holds only whole lines"},
        UsageErrorCase{"WidthWithoutNumber",
                       {"--width", "mm", "a.png", "b.svg"},
                       "--width must be a length above 0 in mm, cm, in or px, such as 200mm, not 'mm'"},
        UsageErrorCase{"WidthZero",
                       {"--width", "0cm", "a.png", "b.svg"},
                       "--width must be a length above 0 in mm, cm, in or px, such as 200mm, not '0cm'"},
        UsageErrorCase{"WidthInPoints",
                       {"--width", "12pt", "a.png", "b.svg"},
                       "--width must be a length above 0 in mm, cm, in or px, such as 200mm, not '12pt'"},
        UsageErrorCase{"WidthForPng", {"--width", "20cm", "a.png", "b.png"}, "--width applies only to SVG output"},
        UsageErrorCase{
            "StrokeForJpeg", {"--stroke-width", "1", "a.png", "b.jpg"}, "--stroke-width applies only to SVG output"},
        UsageErrorCase{
            "TraceForPng", {"--trace", "centerline", "a.png", "b.png"}, "--trace applies only to SVG output"},
        UsageErrorCase{"TraceUnknown",
                       {"--trace", "middle", "a.png", "b.svg"},
                       "--trace must be outline or centerline, not 'middle'"},
        UsageErrorCase{"UnknownOption", {"--bogus", "a.png", "b.png"}, "unknown option --bogus"}),
    [](const testing::TestParamInfo<UsageErrorCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tracella
