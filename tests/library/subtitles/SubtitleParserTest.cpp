// The subtitle readers: times, the two formats' blocks and their tolerances, cue text
// styling, encodings.

#include "library/subtitles/Parser.h"

#include <gtest/gtest.h>

namespace kavio::subtitles {
namespace {

using namespace std::chrono_literals;

TextRun plain(std::string text) { return {std::move(text), false, false}; }
TextRun italic(std::string text) { return {std::move(text), true, false}; }
TextRun bold(std::string text) { return {std::move(text), false, true}; }
TextRun boldItalic(std::string text) { return {std::move(text), true, true}; }

std::vector<std::string> texts(const ParsedSubtitles& parsed)
{
    std::vector<std::string> out;
    for (const Cue& cue : parsed.cues) out.push_back(cue.plainText());
    return out;
}

// One cue around text, in the format's own shape.
std::vector<CueLine> linesOf(const std::string& text, Format format)
{
    const std::string file = format == Format::WebVtt ? "WEBVTT\n\n00:01.000 --> 00:02.000\n" + text + "\n"
                                                      : "1\n00:00:01,000 --> 00:00:02,000\n" + text + "\n";
    const ParsedSubtitles parsed = parseAs(file, format);
    return parsed.cues.empty() ? std::vector<CueLine>{} : parsed.cues.front().lines;
}

TEST(SubtitleTimestampTest, ReadsBothFormatsTimesAndRefusesImpossibleOnes)
{
    struct Row {
        const char* text;
        std::optional<Milliseconds> time;
    };
    const Row rows[] = {
        {"00:00:01,500", 1500ms},       {"01:02:03.004", 3723004ms}, {"02:03.004", 123004ms},
        {"1:02:03,4", 3723400ms},       {"00:00:01", 1000ms},        {"123:00:00.000", 442800000ms},
        {"00:00:01.0004", 1000ms},      {"00:60:00,000", std::nullopt}, {"00:00:60,000", std::nullopt},
        {"12345678:00:00,000", std::nullopt}, {"01", std::nullopt},  {"00:00:01,", std::nullopt},
        {"-00:00:01,000", std::nullopt}, {"00:001:00,000", std::nullopt}, {"", std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(parseTimestamp(row.text), row.time) << row.text;
}

TEST(SrtTest, ReadsIndexedCuesWithAnyLineEnd)
{
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        const std::string file = "1" + end + "00:00:01,000 --> 00:00:04,000" + end + "Where are we" + end + "going?" + end + end +
                                 "2" + end + "00:00:05,500 --> 00:00:07,250" + end + "To the coast" + end;
        const ParsedSubtitles parsed = parse(file, Format::Srt);
        ASSERT_EQ(parsed.cues.size(), 2u) << "line end " << int(end.back());
        EXPECT_EQ(parsed.cues[0].start, 1000ms);
        EXPECT_EQ(parsed.cues[0].end, 4000ms);
        EXPECT_EQ(parsed.cues[0].lines, (std::vector<CueLine>{{plain("Where are we")}, {plain("going?")}}));
        EXPECT_EQ(parsed.cues[1].start, 5500ms);
        EXPECT_EQ(parsed.cues[1].end, 7250ms);
        EXPECT_EQ(parsed.report.skippedBlocks, 0u);
    }
}

TEST(SrtTest, ToleratesWhatEditorsWriteAndSkipsWhatIsBroken)
{
    const std::string file = "\n\n1\n00:00:01.000 --> 00:00:02.000 X1:100 X2:200 Y1:10 Y2:20\nDots and coordinates\n"
                             "2\n00:00:03,000 --> 00:00:04,000\nno blank line before\n\n\n\n"
                             "garbage\nmore garbage\n\n"
                             "00:00:05,000 --> 00:00:06,000\nno index\n\n"
                             "4\n00:00:08,000 --> 00:00:07,000\nends before it starts\n\n"
                             "5\n00:00:09,000 -> 00:00:10,000\nbad arrow\n\n"
                             "6\n00:00:11,000 --> 00:00:12,000\n42\n\n"
                             "7\n00:00:11,500 --> 00:00:13,000\noverlapping\n";
    const ParsedSubtitles parsed = parse(file, Format::Srt);
    EXPECT_EQ(texts(parsed), (std::vector<std::string>{"Dots and coordinates", "no blank line before", "no index", "42",
                                                        "overlapping"}));
    EXPECT_EQ(parsed.report.skippedBlocks, 3u) << "the garbage, the backward cue, the bad arrow";
    EXPECT_FALSE(parsed.report.truncated);
}

TEST(WebVttTest, SkipsHeaderNotesStylesAndRegionsAndIgnoresSettings)
{
    const std::string file = "WEBVTT - Trip\nKind: captions\nLanguage: en\n\n"
                             "NOTE one line\n\nNOTE\nover\ntwo lines\n\n"
                             "STYLE\n::cue { color: yellow }\n\nREGION\nid:fred width:40%\n\n"
                             "intro\n00:01.000 --> 00:04.000 align:start line:0 region:fred\nFirst\n\n"
                             "00:00:05.000 --> 00:00:06.500\nSecond\nline two\n"
                             "01:00:00.000 --> 01:00:01.000\n"
                             "Third, after no blank line\n\n"
                             "broken\nnot a timing\n\n"
                             "00:07.000 --> 00:08.000 vertical:rl\nFourth";
    const ParsedSubtitles parsed = parse(file, Format::WebVtt);
    EXPECT_EQ(texts(parsed), (std::vector<std::string>{"First", "Second\nline two", "Third, after no blank line", "Fourth"}));
    ASSERT_EQ(parsed.cues.size(), 4u);
    EXPECT_EQ(parsed.cues[0].start, 1000ms);
    EXPECT_EQ(parsed.cues[2].start, 3600000ms);
    EXPECT_EQ(parsed.report.skippedBlocks, 1u);
}

TEST(WebVttTest, TheHeaderDecidesTheFormatWhateverTheName)
{
    const std::string vtt = "\xEF\xBB\xBFWEBVTT\r\n\r\n00:01.000 --> 00:02.000\r\nTom &amp; Jerry\r\n";
    EXPECT_EQ(texts(parse(vtt, Format::Srt)), std::vector<std::string>{"Tom & Jerry"});
    // Without its header a .vtt is still read; "WEBVTTX" is no header.
    EXPECT_EQ(texts(parse("00:01.000 --> 00:02.000\nno header\n", Format::WebVtt)), std::vector<std::string>{"no header"});
    EXPECT_EQ(texts(parse("WEBVTTX\n\n1\n00:00:01,000 --> 00:00:02,000\n&amp;\n", Format::Srt)),
              std::vector<std::string>{"&amp;"});
    EXPECT_EQ(formatOfFile("Trip.en.SRT"), Format::Srt);
    EXPECT_EQ(formatOfFile("Trip.Vtt"), Format::WebVtt);
    EXPECT_EQ(formatOfFile("Trip.srt.txt"), std::nullopt);
}

TEST(CueTextTest, HonoursItalicAndBoldAndShowsEverythingElseAsPlainText)
{
    struct Row {
        const char* text;
        Format format;
        std::vector<CueLine> lines;
    };
    const std::vector<Row> rows = {
        {"<i>Hello</i> world", Format::Srt, {{italic("Hello"), plain(" world")}}},
        {"<I>upper</I> <B>case</B>", Format::Srt, {{italic("upper"), plain(" "), bold("case")}}},
        {"<b>x <i>both</i></b> y", Format::Srt, {{bold("x "), boldItalic("both"), plain(" y")}}},
        {"<i>never closed", Format::Srt, {{italic("never closed")}}},
        {"</i>stray close <i><i>twice</i> still</i> not", Format::Srt,
         {{plain("stray close "), italic("twice still"), plain(" not")}}},
        {"<i>across\nlines</i> done", Format::Srt, {{italic("across")}, {italic("lines"), plain(" done")}}},
        {"<font color=\"red\">Red</font> <u>under</u>", Format::Srt, {{plain("Red under")}}},
        {"{\\an8}Top {\\pos(10,20)}there", Format::Srt, {{plain("Top there")}}},
        {"<script>alert(1)</script>", Format::Srt, {{plain("alert(1)")}}},
        {"a < b and c > d, x <3, {not override}", Format::Srt, {{plain("a < b and c > d, x <3, {not override}")}}},
        {"&amp; &lt;b&gt; &nbsp;&copy; &amp", Format::WebVtt, {{plain("& <b> \xC2\xA0&copy; &amp")}}},
        {"&amp; &lt;", Format::Srt, {{plain("&amp; &lt;")}}},
        {"<c.yellow.bg_blue>colour</c> <v Roger Bingham>voice</v> <lang en>lang</lang>", Format::WebVtt,
         {{plain("colour voice lang")}}},
        {"<i.loud>classed</i> <b.x>too</b>", Format::WebVtt, {{italic("classed"), plain(" "), bold("too")}}},
        {"karaoke <00:00:01.250>now <ruby>x<rt>y</rt></ruby>", Format::WebVtt, {{plain("karaoke now xy")}}},
        {"a\x01" "b\tc\x7F" "d\xC2\x85" "e", Format::Srt, {{plain("ab cde")}}},
        {"   spaced out   \n<i> </i>\n\t", Format::Srt, {{plain("spaced out")}}},
    };
    for (const Row& row : rows) EXPECT_EQ(linesOf(row.text, row.format), row.lines) << row.text;
}

TEST(CueTextTest, ACueWithNothingToShowIsSkippedAndStylesEndWithTheCue)
{
    const ParsedSubtitles parsed =
        parse("1\n00:00:01,000 --> 00:00:02,000\n{\\an8}<i></i>\n\n2\n00:00:02,000 --> 00:00:03,000\n<b>open\n\n"
              "3\n00:00:03,000 --> 00:00:04,000\nplain again\n",
              Format::Srt);
    ASSERT_EQ(parsed.cues.size(), 2u);
    EXPECT_EQ(parsed.cues[0].lines, std::vector<CueLine>{{bold("open")}});
    EXPECT_EQ(parsed.cues[1].lines, std::vector<CueLine>{{plain("plain again")}});
    EXPECT_EQ(parsed.report.skippedBlocks, 1u);
}

TEST(SubtitleEncodingTest, ReadsUtf8Latin1AndUtf16)
{
    const auto cue = [](const std::string& text) { return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n"; };
    const auto utf16 = [](const std::string& ascii, bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : ascii) {
            out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        }
        return out;
    };
    struct Row {
        std::string bytes;
        std::string text;
        Encoding encoding;
    };
    const std::vector<Row> rows = {
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
    for (const Row& row : rows) {
        const ParsedSubtitles parsed = parse(row.bytes, Format::Srt);
        EXPECT_EQ(texts(parsed), std::vector<std::string>{row.text}) << row.text;
        EXPECT_EQ(parsed.report.encoding, row.encoding) << row.text;
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
