// The subtitle readers: times, the two formats' blocks and their tolerances, cue text
// styling, encodings.

#include "library/subtitles/Parser.h"

#include <gtest/gtest.h>

namespace kavio::subtitles {
namespace {

using namespace std::chrono_literals;

// A cue's lines as they show, each run in <i> and <b> tags for its style.
std::string shown(const Cue& cue)
{
    std::string out;
    for (const CueLine& line : cue.lines) {
        out += out.empty() ? "" : "\n";
        for (const TextRun& run : line)
            out += std::string(run.bold ? "<b>" : "") + (run.italic ? "<i>" : "") + run.text + (run.italic ? "</i>" : "") +
                   (run.bold ? "</b>" : "");
    }
    return out;
}

// Each cue as "START-END TEXT", in milliseconds.
std::vector<std::string> cuesOf(const ParsedSubtitles& parsed)
{
    std::vector<std::string> out;
    for (const Cue& cue : parsed.cues)
        out.push_back(std::to_string(cue.start.count()) + "-" + std::to_string(cue.end.count()) + " " + shown(cue));
    return out;
}

TEST(SubtitleTimestampTest, ReadsBothFormatsTimesAndRefusesImpossibleOnes)
{
    const std::pair<const char*, std::optional<Milliseconds>> rows[] = {
        {"00:00:01,500", 1500ms},       {"01:02:03.004", 3723004ms}, {"02:03.004", 123004ms},
        {"1:02:03,4", 3723400ms},       {"00:00:01", 1000ms},        {"123:00:00.000", 442800000ms},
        {"00:00:01.0004", 1000ms},      {"00:60:00,000", std::nullopt}, {"00:00:60,000", std::nullopt},
        {"12345678:00:00,000", std::nullopt}, {"01", std::nullopt},  {"00:00:01,", std::nullopt},
        {"-00:00:01,000", std::nullopt}, {"00:001:00,000", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [text, time] : rows) EXPECT_EQ(parseTimestamp(text), time) << text;
}

TEST(SubtitleBlocksTest, EachFormatsBlocksAreReadWithWhatEditorsWriteAndBrokenOnesSkipped)
{
    const auto srt = [](const std::string& end) {
        return "1" + end + "00:00:01,000 --> 00:00:04,000" + end + "Where are we" + end + "going?" + end + end + "2" + end +
               "00:00:05,500 --> 00:00:07,250" + end + "To the coast" + end;
    };
    const std::vector<std::string> twoCues = {"1000-4000 Where are we\ngoing?", "5500-7250 To the coast"};
    struct Row {
        const char* name;
        Format format;
        std::string file;
        std::vector<std::string> cues;
        std::size_t skipped;
    };
    const std::vector<Row> rows = {
        {"CRLF", Format::Srt, srt("\r\n"), twoCues, 0}, {"LF", Format::Srt, srt("\n"), twoCues, 0},
        {"CR", Format::Srt, srt("\r"), twoCues, 0},
        // Skipped: the garbage, the backward cue, the bad arrow.
        {"SRT editors", Format::Srt,
         "\n\n1\n00:00:01.000 --> 00:00:02.000 X1:100 X2:200 Y1:10 Y2:20\nDots and coordinates\n"
         "2\n00:00:03,000 --> 00:00:04,000\nno blank line before\n\n\n\ngarbage\nmore garbage\n\n"
         "00:00:05,000 --> 00:00:06,000\nno index\n\n4\n00:00:08,000 --> 00:00:07,000\nends before it starts\n\n"
         "5\n00:00:09,000 -> 00:00:10,000\nbad arrow\n\n6\n00:00:11,000 --> 00:00:12,000\n42\n\n"
         "7\n00:00:11,500 --> 00:00:13,000\noverlapping\n",
         {"1000-2000 Dots and coordinates", "3000-4000 no blank line before", "5000-6000 no index", "11000-12000 42",
          "11500-13000 overlapping"}, 3},
        {"WebVTT header, notes, styles, regions and settings", Format::WebVtt,
         "WEBVTT - Trip\nKind: captions\nLanguage: en\n\nNOTE one line\n\nNOTE\nover\ntwo lines\n\n"
         "STYLE\n::cue { color: yellow }\n\nREGION\nid:fred width:40%\n\n"
         "intro\n00:01.000 --> 00:04.000 align:start line:0 region:fred\nFirst\n\n"
         "00:00:05.000 --> 00:00:06.500\nSecond\nline two\n01:00:00.000 --> 01:00:01.000\nThird, after no blank line\n\n"
         "broken\nnot a timing\n\n00:07.000 --> 00:08.000 vertical:rl\nFourth",
         {"1000-4000 First", "5000-6500 Second\nline two", "3600000-3601000 Third, after no blank line", "7000-8000 Fourth"}, 1},
        // The header decides the format whatever the name; without it a .vtt is still read.
        {"WebVTT named .srt", Format::Srt, "\xEF\xBB\xBFWEBVTT\r\n\r\n00:01.000 --> 00:02.000\r\nTom &amp; Jerry\r\n",
         {"1000-2000 Tom & Jerry"}, 0},
        {"WebVTT without header", Format::WebVtt, "00:01.000 --> 00:02.000\nno header\n", {"1000-2000 no header"}, 0},
        {"WEBVTTX is no header", Format::Srt, "WEBVTTX\n\n1\n00:00:01,000 --> 00:00:02,000\n&amp;\n", {"1000-2000 &amp;"}, 1},
        // A cue with nothing to show is skipped, and styles end with their cue.
        {"empty cue, open style", Format::Srt,
         "1\n00:00:01,000 --> 00:00:02,000\n{\\an8}<i></i>\n\n2\n00:00:02,000 --> 00:00:03,000\n<b>open\n\n"
         "3\n00:00:03,000 --> 00:00:04,000\nplain again\n",
         {"2000-3000 <b>open</b>", "3000-4000 plain again"}, 1},
    };
    for (const Row& row : rows) {
        const ParsedSubtitles parsed = parse(row.file, row.format);
        EXPECT_EQ(cuesOf(parsed), row.cues) << row.name;
        EXPECT_EQ(parsed.report.skippedBlocks, row.skipped) << row.name;
        EXPECT_FALSE(parsed.report.truncated) << row.name;
    }
    // Which names are subtitle files at all is the track matcher's test.
    EXPECT_EQ(formatOfFile("Trip.Vtt"), Format::WebVtt);
}

TEST(CueTextTest, HonoursItalicAndBoldAndShowsEverythingElseAsPlainText)
{
    const std::tuple<const char*, Format, const char*> rows[] = {
        {"<i>Hello</i> world", Format::Srt, "<i>Hello</i> world"},
        {"<I>upper</I> <B>case</B>", Format::Srt, "<i>upper</i> <b>case</b>"},
        {"<b>x <i>both</i></b> y", Format::Srt, "<b>x </b><b><i>both</i></b> y"},
        {"<i>never closed", Format::Srt, "<i>never closed</i>"},
        {"</i>stray close <i><i>twice</i> still</i> not", Format::Srt, "stray close <i>twice still</i> not"},
        {"<i>across\nlines</i> done", Format::Srt, "<i>across</i>\n<i>lines</i> done"},
        {"<font color=\"red\">Red</font> <u>under</u>", Format::Srt, "Red under"},
        {"<script>alert(1)</script>", Format::Srt, "alert(1)"},
        {"{\\an8}Top {\\pos(10,20)}there", Format::Srt, "Top there"}, {"&amp; &lt;", Format::Srt, "&amp; &lt;"},
        {"a < b and c > d, x <3, {not override}", Format::Srt, "a < b and c > d, x <3, {not override}"},
        {"&amp; &lt;b&gt; &nbsp;&copy; &amp", Format::WebVtt, "& <b> \xC2\xA0&copy; &amp"},
        {"<c.yellow.bg_blue>colour</c> <v Roger Bingham>voice</v> <lang en>lang</lang>", Format::WebVtt, "colour voice lang"},
        {"<i.loud>classed</i> <b.x>too</b>", Format::WebVtt, "<i>classed</i> <b>too</b>"},
        {"karaoke <00:00:01.250>now <ruby>x<rt>y</rt></ruby>", Format::WebVtt, "karaoke now xy"},
        {"a\x01" "b\tc\x7F" "d\xC2\x85" "e", Format::Srt, "ab cde"},
        {"   spaced out   \n<i> </i>\n\t", Format::Srt, "spaced out"},
    };
    for (const auto& [text, format, expected] : rows) {
        const std::string file = format == Format::WebVtt ? "WEBVTT\n\n00:01.000 --> 00:02.000\n" + std::string(text) + "\n"
                                                          : "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(text) + "\n";
        EXPECT_EQ(cuesOf(parseAs(file, format)), std::vector<std::string>{std::string("1000-2000 ") + expected}) << text;
    }
}

TEST(SubtitleEncodingTest, ReadsUtf8Latin1AndUtf16)
{
    const auto cue = [](const std::string& text) { return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n"; };
    const auto utf16 = [](const std::string& ascii, bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        return out;
    };
    const std::tuple<std::string, std::string, Encoding> rows[] = {
        {cue("Caf\xC3\xA9 \xE2\x80\x9Cok\xE2\x80\x9D"), "Caf\xC3\xA9 \xE2\x80\x9Cok\xE2\x80\x9D", Encoding::Utf8},
        {"\xEF\xBB\xBF" + cue("bom"), "bom", Encoding::Utf8},
        {cue("Caf\xE9 \xFC" "ber"), "Caf\xC3\xA9 \xC3\xBC" "ber", Encoding::Latin1},
        {cue("\x93quoted\x94 \x80 5"), "\xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC 5", Encoding::Latin1},
        // One stray byte makes the whole file Latin-1, its UTF-8 included.
        {cue("\xC3\xA9 and \xE9"), "\xC3\x83\xC2\xA9 and \xC3\xA9", Encoding::Latin1},
        {utf16(cue("sixteen"), false), "sixteen", Encoding::Utf16LittleEndian},
        {utf16(cue("sixteen"), true), "sixteen", Encoding::Utf16BigEndian},
        {"\xEF\xBB\xBF" + cue("broken \xFF utf-8"), "broken \xEF\xBF\xBD utf-8", Encoding::Utf8},
    };
    for (const auto& [bytes, text, encoding] : rows) {
        const ParsedSubtitles parsed = parse(bytes, Format::Srt);
        EXPECT_EQ(cuesOf(parsed), std::vector<std::string>{"1000-2000 " + text}) << text;
        EXPECT_EQ(parsed.report.encoding, encoding) << text;
    }
}

TEST(SubtitleEncodingTest, Utf8ValidityFollowsUnicode)
{
    const std::pair<std::string, bool> rows[] = {
        {"plain", true},          {"\xC3\xA9", true},         {"\xF0\x9F\x9A\x97", true}, {"\xC0\xAF", false},
        {"\xE0\x80\xAF", false},  {"\xED\xA0\x80", false},    {"\xF4\x90\x80\x80", false}, {"\xC3", false},
        {"\x80", false},          {"\xEF\xBF\xBF", true},
    };
    for (const auto& [bytes, valid] : rows) EXPECT_EQ(isValidUtf8(bytes), valid) << bytes;
    std::size_t complete = 0;
    EXPECT_TRUE(isValidUtf8("ab\xE2\x82", Cut::Yes, &complete)) << "a character cut by the read limit";
    EXPECT_EQ(complete, 2u);
    EXPECT_FALSE(isValidUtf8("ab\xE2\x82x", Cut::Yes));
}

} // namespace
} // namespace kavio::subtitles
