// HTML building of the string service: the exact texts of every builder (arguments pasted in
// unescaped), the document skeleton and its marker-based inserts, tag stripping, attribute values,
// search addresses and the file inserts. A built document is also checked by Python's html.parser.

#include "Resources.h"
#include "Strings.h"
#include "TestHome.h"
#include "TraceRecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A text that would break naive templates: quotes of both kinds, angle brackets and a line break.
const QString kNasty = QStringLiteral("say \"hi\" & 'bye' <b>\nnext");

const QString kEmptyDocument = QStringLiteral("<html>\n\n<head>\n<style type='text/css' media='all'>\n<!--\n"
                                              " -->\n</style>\n</head>\n\n<body>\n"
                                              " BODY \n</body>\n</html>\n");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs Python's html.parser over the document and answers its report: one line per start and end
// tag ("+tag" / "-tag"), then "unclosed:" with the tags still open and "mismatched:" with end tags
// that closed something other than the innermost open element.
std::optional<QString> pythonParse(const QString& document)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        return std::nullopt;
    }
    const QString script =
        QStringLiteral("import sys\n"
                       "from html.parser import HTMLParser\n"
                       "VOID = {'br', 'img', 'source', 'meta', 'link', 'hr', 'input'}\n"
                       "class P(HTMLParser):\n"
                       "    def __init__(self):\n"
                       "        super().__init__(convert_charrefs=True)\n"
                       "        self.stack, self.out, self.bad = [], [], []\n"
                       "    def handle_starttag(self, tag, attrs):\n"
                       "        self.out.append('+' + tag + ''.join(' %s=%s' % (k, v) for k, v in attrs))\n"
                       "        if tag not in VOID: self.stack.append(tag)\n"
                       "    def handle_startendtag(self, tag, attrs):\n"
                       "        self.out.append('+' + tag + ''.join(' %s=%s' % (k, v) for k, v in attrs))\n"
                       "    def handle_endtag(self, tag):\n"
                       "        self.out.append('-' + tag)\n"
                       "        if self.stack and self.stack[-1] == tag: self.stack.pop()\n"
                       "        else: self.bad.append(tag)\n"
                       "    def handle_data(self, data):\n"
                       "        if self.stack and self.stack[-1] == 'style' and data.strip():\n"
                       "            self.out.append('style:' + ' '.join(data.split()))\n"
                       "p = P()\n"
                       "p.feed(sys.stdin.read())\n"
                       "p.close()\n"
                       "print('\\n'.join(p.out))\n"
                       "print('unclosed:' + ','.join(p.stack))\n"
                       "print('mismatched:' + ','.join(p.bad))\n");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), script});
    if (!process.waitForStarted()) {
        return std::nullopt;
    }
    process.write(document.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return QStringLiteral("python failed: ") + QString::fromUtf8(process.readAllStandardError());
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
} // namespace

class TestHtml : public QObject
{
    Q_OBJECT

private:
    Strings* s = Strings::sharedEngineInstance();

private slots:
    void builders_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        const QString& t = kNasty;
        QTest::newRow("bold") << s->htmlBold(QStringLiteral("hello")) << QStringLiteral("<b>hello</b>");
        QTest::newRow("tag") << s->htmlTagWithTag(t, QStringLiteral("em"))
                             << QStringLiteral("<em>") + t + QStringLiteral("</em>");
        QTest::newRow("italics") << s->htmlItalics(t) << QStringLiteral("<i>") + t + QStringLiteral("</i>");
        QTest::newRow("underline") << s->htmlUnderline(t) << QStringLiteral("<u>") + t + QStringLiteral("</u>");
        QTest::newRow("paragraph") << s->htmlParagraph(t) << QStringLiteral("<p>") + t + QStringLiteral("</p>");
        QTest::newRow("newline") << s->htmlNewline() << QStringLiteral("<br>");
        QTest::newRow("center") << s->htmlCenter(t) << QStringLiteral("<CENTER>") + t + QStringLiteral("</CENTER>");
        QTest::newRow("font color") << s->htmlFontColorHexColor(t, QStringLiteral("ff\"00"))
                                    << QStringLiteral("<font color=\"#ff\"00\">") + t + QStringLiteral("</font>");
        QTest::newRow("font size") << s->htmlFontSizeSize(t, 3)
                                   << QStringLiteral("<font size=\"3\">") + t + QStringLiteral("</font>");
        QTest::newRow("spaces 3") << s->htmlSpaces(3) << QStringLiteral("&nbsp;&nbsp;&nbsp;");
        QTest::newRow("spaces 1") << s->htmlSpaces(1) << QStringLiteral("&nbsp;");
        QTest::newRow("spaces 0") << s->htmlSpaces(0) << QString();
        QTest::newRow("spaces negative") << s->htmlSpaces(-4) << QString();
        QTest::newRow("align 1") << s->htmlAlignAlign(t, 1)
                                 << QStringLiteral("<div align='left'>") + t + QStringLiteral("</div>");
        QTest::newRow("align 2") << s->htmlAlignAlign(t, 2)
                                 << QStringLiteral("<div align='right'>") + t + QStringLiteral("</div>");
        QTest::newRow("align 3") << s->htmlAlignAlign(t, 3)
                                 << QStringLiteral("<div align='center'>") + t + QStringLiteral("</div>");
        QTest::newRow("align 9") << s->htmlAlignAlign(t, 9)
                                 << QStringLiteral("<div align='justify'>") + t + QStringLiteral("</div>");
        QTest::newRow("align 0") << s->htmlAlignAlign(t, 0)
                                 << QStringLiteral("<div align='justify'>") + t + QStringLiteral("</div>");
        QTest::newRow("highlight") << s->htmlHighlightTxtWithColor(t, QStringLiteral("yellow"))
                                   << QStringLiteral("<FONT style=\"BACKGROUND-COLOR:yellow\">") + t +
                                          QStringLiteral("</FONT>");
        QTest::newRow("link") << s->htmlStrToLinkLink(t, QStringLiteral("a\"b<c>"))
                              << QStringLiteral("<a href=\"a\"b<c>\">") + t + QStringLiteral("</a>");
        QTest::newRow("img") << s->htmlImgWidthHeightAlign(QStringLiteral("p \"q\".png"), 640, -2, 3)
                             << QStringLiteral("<img src=\"p \"q\".png\"  width=\"640\"  height=\"-2\"  />");
        QTest::newRow("video") << s->htmlVideoWidthHeight(t, 320, 240)
                               << QStringLiteral("<video width=\"320\" height=\"240\" controls><source src=\"") + t +
                                      QStringLiteral(
                                          "\" type=\"video/mp4\">Your browser does not support the video tag.</video>");
        QTest::newRow("audio")
            << s->htmlAudio(t)
            << QStringLiteral("<audio controls><source src=\"") + t +
                   QStringLiteral("\" type=\"audio/mpeg\">Your browser does not support the audio element.</audio>");
        QTest::newRow("background color")
            << s->htmlBackgroundColorBody(QStringLiteral("#fff'"), t)
            << QStringLiteral("<html><body style='background-color: #fff''>") + t + QStringLiteral("</body></html>");
        QTest::newRow("background image")
            << s->htmlBackgroundWidthHeightPaddingBorderColorRepeats(QStringLiteral("a b.png"), 10, 20, 4, 1,
                                                                     QStringLiteral("red"), true)
            << QStringLiteral("<background:url(a b.png); padding:4px;width:10px;height:20px; "
                              "border:1px red;  background-size:100% >\n");
        QTest::newRow("percent in argument is not a format")
            << s->htmlBold(QStringLiteral("100% %@ %d")) << QStringLiteral("<b>100% %@ %d</b>");
    }
    void builders()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    void fontSizeWarning_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("warns");
        QTest::newRow("1") << 1 << false;
        QTest::newRow("7") << 7 << false;
        QTest::newRow("0") << 0 << true;
        QTest::newRow("8") << 8 << true;
        QTest::newRow("9") << 9 << true;
        QTest::newRow("-3") << -3 << true;
    }
    void fontSizeWarning()
    {
        QFETCH(int, size);
        QFETCH(bool, warns);
        TraceRecorder traces;
        QCOMPARE(s->htmlFontSizeSize(QStringLiteral("x"), size),
                 QStringLiteral("<font size=\"%1\">x</font>").arg(size));
        const QString warning =
            QStringLiteral("Warning: Invalid font size:%1  Size must be between 1 and 7\n").arg(size);
        QCOMPARE(traces.lines().size(), warns ? 1 : 0);
        if (warns) {
            QVERIFY2(traces.lines().first().endsWith(warning), qPrintable(traces.lines().first()));
        }
    }

    void hugeSpaceCountAnswersEmpty()
    {
        TraceRecorder traces;
        QCOMPARE(s->htmlSpaces(65536).size(), 6 * 65536);
        QCOMPARE(s->htmlSpaces(65537), QString());
        QCOMPARE(s->htmlSpaces(std::numeric_limits<int>::max()), QString());
        QCOMPARE(traces.lines().size(), 2);
    }

    void replacing_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("enclose all") << s->htmlEncloseAllOfWithStrAndEnclosing(QStringLiteral("a cat, a \"cat\""),
                                                                               QStringLiteral("cat"),
                                                                               QStringLiteral("b"))
                                     << QStringLiteral("a <b>cat</b>, a \"<b>cat</b>\"");
        QTest::newRow("enclose empty text")
            << s->htmlEncloseAllOfWithStrAndEnclosing(QStringLiteral("abc"), QString(), QStringLiteral("b"))
            << QStringLiteral("abc");
        QTest::newRow("highlight all") << s->htmlHighlightAllStrsWithStrAndColor(
                                              QStringLiteral("x<y x"), QStringLiteral("x"), QStringLiteral("red"))
                                       << QStringLiteral("<FONT style=\"BACKGROUND-COLOR:red\">x</FONT><y "
                                                         "<FONT style=\"BACKGROUND-COLOR:red\">x</FONT>");
        QTest::newRow("replace first element")
            << s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new <i>\"</i>"),
                                                  QStringLiteral("<p>old</p><p>two</p>"))
            << QStringLiteral("<p>new <i>\"</i></p><p>two</p>");
        QTest::newRow("replace empty element")
            << s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("x"), QStringLiteral("<p></p>"))
            << QStringLiteral("<p>x</p>");
        QTest::newRow("replace after a stray closing tag")
            << s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new"),
                                                  QStringLiteral("</p>a<p>old</p>"))
            << QStringLiteral("</p>a<p>new</p>");
        QTest::newRow("replace without opening tag")
            << s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new"), QStringLiteral("a</p>"))
            << QStringLiteral("a</p>");
        QTest::newRow("replace without closing tag")
            << s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new"), QStringLiteral("<p>a"))
            << QStringLiteral("<p>a");
        QTest::newRow("add after start tag")
            << s->htmlAddStrAfterStartTagSource(QStringLiteral("X"), QStringLiteral("p"),
                                                QStringLiteral("<p>a</p><p>b</p>"))
            << QStringLiteral("<p>Xa</p><p>b</p>");
        QTest::newRow("add before end tag replaces the character before it")
            << s->htmlAddStrBeforeEndTagSource(QStringLiteral("X"), QStringLiteral("p"), QStringLiteral("<p>ab</p>"))
            << QStringLiteral("<p>aX\n</p>");
        QTest::newRow("add before end tag at the very start")
            << s->htmlAddStrBeforeEndTagSource(QStringLiteral("X"), QStringLiteral("p"), QStringLiteral("</p>a"))
            << QStringLiteral("X\n</p>a");
    }
    void replacing()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    void encloseTracesTheEnclosedText()
    {
        TraceRecorder traces;
        s->htmlEncloseAllOfWithStrAndEnclosing(QStringLiteral("a cat"), QStringLiteral("cat"), QStringLiteral("b"));
        QCOMPARE(traces.lines().size(), 1);
        QVERIFY(traces.lines().first().endsWith(QStringLiteral("  enclosedStr: <b>cat</b>\n")));
    }

    void documentSkeleton() { QCOMPARE(s->htmlCreateDocumentWithBody(QStringLiteral("BODY")), kEmptyDocument); }

    // The inserts in the order a caller makes them; insertions before a marker follow one another,
    // insertions after a marker go to the front.
    void documentInserts()
    {
        QString doc = s->htmlCreateDocumentWithBody(QStringLiteral("<p>first</p>"));
        doc = s->htmlStyleAddTxtColorHtml(QStringLiteral("red"), doc);
        QVERIFY(doc.contains(QStringLiteral("<!--\ncolor:red;\n")));
        doc = s->htmlStyleInsertHtml(QStringLiteral("p { margin: 0; }"), doc);
        doc = s->htmlStyleInsertHtml(QStringLiteral("b { color: \"x\"; }"), doc);
        doc = s->htmlStyleAddFontAndSizeHtml(QStringLiteral("Helvetica"), 12, doc);
        doc = s->htmlBodyAddBackgroundColorHtml(QStringLiteral("blue"), doc);
        doc = s->htmlAddBodyHtml(QStringLiteral("<h1>top</h1>"), doc);
        doc = s->htmlAddToBodyHtml(QStringLiteral("<p>second</p>"), doc);
        doc = s->htmlAddToBodyHtml(QStringLiteral("<p>third</p>"), doc);
        const QString expected = QStringLiteral("<html>\n\n<head>\n<style type='text/css' media='all'>\n<!--\n"
                                                "font-family:Helvetica;\nfont-size:12;\n"
                                                "color:red;\n"
                                                "p { margin: 0; }b { color: \"x\"; }\n"
                                                "-->\n</style>\n</head>\n\n<body>\n"
                                                "<h1>top</h1>background-color:blue;\n"
                                                " <p>first</p> <p>second</p><p>third</p>\n"
                                                "</body>\n</html>\n");
        QCOMPARE(doc, expected);
    }

    void documentParsesWithBalancedTags()
    {
        QString doc = s->htmlCreateDocumentWithBody(s->htmlParagraph(s->htmlBold(QStringLiteral("hello"))));
        doc = s->htmlStyleInsertHtml(QStringLiteral("p { color: red; }"), doc);
        doc = s->htmlAddToBodyHtml(s->htmlAlignAlign(s->htmlItalics(QStringLiteral("x")), 3), doc);
        doc = s->htmlAddToBodyHtml(s->htmlImgWidthHeightAlign(QStringLiteral("a.png"), 2, 3, 0), doc);
        doc = s->htmlAddToBodyHtml(s->htmlStrToLinkLink(QStringLiteral("home"), QStringLiteral("https://x/")), doc);
        doc = s->htmlAddToBodyHtml(s->htmlVideoWidthHeight(QStringLiteral("v.mp4"), 4, 5), doc);
        doc = s->htmlAddToBodyHtml(s->htmlAudio(QStringLiteral("a.mp3")) + s->htmlNewline(), doc);
        doc = s->htmlAddToBodyHtml(s->htmlHighlightTxtWithColor(QStringLiteral("hi"), QStringLiteral("yellow")), doc);
        const auto report = pythonParse(doc);
        if (!report) {
            QSKIP("python3 is not available");
        }
        const QString expected = QStringLiteral("+html\n+head\n+style type=text/css media=all\n"
                                                "style:<!-- p { color: red; } -->\n"
                                                "-style\n-head\n+body\n+p\n+b\n-b\n-p\n"
                                                "+div align=center\n+i\n-i\n-div\n"
                                                "+img src=a.png width=2 height=3\n"
                                                "+a href=https://x/\n-a\n"
                                                "+video width=4 height=5 controls=None\n"
                                                "+source src=v.mp4 type=video/mp4\n-video\n"
                                                "+audio controls=None\n+source src=a.mp3 type=audio/mpeg\n-audio\n"
                                                "+br\n+font style=BACKGROUND-COLOR:yellow\n-font\n"
                                                "-body\n-html\nunclosed:\nmismatched:");
        QCOMPARE(*report, expected);
    }

    // Unescaped text goes through as markup: the parser sees the pasted tag, as the caller asked.
    void unescapedTextReachesTheParserAsMarkup()
    {
        const QString doc = s->htmlCreateDocumentWithBody(s->htmlBold(QStringLiteral("<i>x</i>")));
        const auto report = pythonParse(doc);
        if (!report) {
            QSKIP("python3 is not available");
        }
        QVERIFY2(report->contains(QStringLiteral("+b\n+i\n-i\n-b\n")), qPrintable(*report));
    }

    void insertsIntoDocumentWithoutMarkers_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("warning");
        QTest::newRow("style insert") << 0 << QStringLiteral("VELBOR:WARNING: start str not found");
        QTest::newRow("font") << 1 << QStringLiteral("VELBOR:WARNING: no start str");
        QTest::newRow("text color") << 2 << QStringLiteral("VELBOR:WARNING: no start str");
        QTest::newRow("background color") << 3 << QStringLiteral("VELBOR:WARNING: no start str");
        QTest::newRow("add body") << 4 << QStringLiteral("VELBOR:WARNING: no start str");
        QTest::newRow("add to body") << 5 << QStringLiteral("VELBOR:WARNING: start str not found");
        QTest::newRow("after start tag") << 6 << QStringLiteral("VELBOR:WARNING: no start str");
        QTest::newRow("before end tag") << 7 << QStringLiteral("VELBOR:WARNING: start str not found");
    }
    void insertsIntoDocumentWithoutMarkers()
    {
        QFETCH(int, operation);
        QFETCH(QString, warning);
        // Near misses of every marker: no line break after "<!--" and "<body>", "--" without ">".
        const QString html = QStringLiteral("<html><!-- x --<body> <p>text</p></html>");
        const QString x = QStringLiteral("X");
        TraceRecorder traces;
        QString result;
        switch (operation) {
        case 0:
            result = s->htmlStyleInsertHtml(x, html);
            break;
        case 1:
            result = s->htmlStyleAddFontAndSizeHtml(x, 3, html);
            break;
        case 2:
            result = s->htmlStyleAddTxtColorHtml(x, html);
            break;
        case 3:
            result = s->htmlBodyAddBackgroundColorHtml(x, html);
            break;
        case 4:
            result = s->htmlAddBodyHtml(x, html);
            break;
        case 5:
            result = s->htmlAddToBodyHtml(x, html);
            break;
        case 6:
            result = s->htmlAddStrAfterStartTagSource(x, QStringLiteral("div"), html);
            break;
        case 7:
            result = s->htmlAddStrBeforeEndTagSource(x, QStringLiteral("div"), html);
            break;
        }
        QCOMPARE(result, html);
        QCOMPARE(traces.lines().size(), 1);
        QVERIFY2(traces.lines().first().endsWith(warning + u'\n'), qPrintable(traces.lines().first()));
    }

    void removeTags_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all tags") << s->htmlRemoveAllTags(
                                         QStringLiteral("<p class=\"a\">Hello <b>big</b><br>world</p>"))
                                  << QStringLiteral("Hello bigworld");
        QTest::newRow("whole document") << s->htmlRemoveAllTags(s->htmlCreateDocumentWithBody(QStringLiteral("x")))
                                        << QString(9, u'\n') + QStringLiteral(" x \n\n\n");
        QTest::newRow("lone less-than stays")
            << s->htmlRemoveAllTags(QStringLiteral("a < b")) << QStringLiteral("a < b");
        QTest::newRow("lone greater-than stays")
            << s->htmlRemoveAllTags(QStringLiteral("a > b <i>c</i>")) << QStringLiteral("a > b c");
        QTest::newRow("unclosed tag at end stays")
            << s->htmlRemoveAllTags(QStringLiteral("<b>z</b><i")) << QStringLiteral("z<i");
        QTest::newRow("empty") << s->htmlRemoveAllTags(QString()) << QString();
        QTest::newRow("only type b") << s->htmlRemoveTagOfType(QStringLiteral("<b>x</b><b class='c'>y</b><br><i>z</i>"),
                                                               QStringLiteral("b"))
                                     << QStringLiteral("x<b class='c'>y<br><i>z</i>");
        QTest::newRow("highlight of one colour")
            << s->htmlRemoveHighlightColor(
                   s->htmlHighlightTxtWithColor(QStringLiteral("x"), QStringLiteral("red")) +
                       s->htmlHighlightTxtWithColor(QStringLiteral("y"), QStringLiteral("blue")),
                   QStringLiteral("red"))
            << QStringLiteral("x<FONT style=\"BACKGROUND-COLOR:blue\">y");
    }
    void removeTags()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    void attributeValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("value");
        QTest::newRow("size 12") << QStringLiteral("<font size=\"12\">x</font>") << QStringLiteral("size") << 12;
        QTest::newRow("missing name") << QStringLiteral("<font size=\"12\">") << QStringLiteral("width") << -1;
        QTest::newRow("no quote after equals") << QStringLiteral("<font size=12>") << QStringLiteral("size") << -1;
        QTest::newRow("twice") << QStringLiteral("size=\"1\" size=\"2\"") << QStringLiteral("size") << -1;
        QTest::newRow("negative") << QStringLiteral("x=\"-3\"") << QStringLiteral("x") << -3;
        QTest::newRow("not a number") << QStringLiteral("x=\"abc\"") << QStringLiteral("x") << 0;
        QTest::newRow("leading blanks and junk") << QStringLiteral("x=\" 7px\"") << QStringLiteral("x") << 7;
        QTest::newRow("no closing quote") << QStringLiteral("x=\"42") << QStringLiteral("x") << 42;
        QTest::newRow("saturates") << QStringLiteral("x=\"99999999999\"") << QStringLiteral("x") << 2147483647;
        QTest::newRow("saturates negative")
            << QStringLiteral("x=\"-99999999999\"") << QStringLiteral("x") << -2147483647 - 1;
    }
    void attributeValue()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, value);
        QCOMPARE(s->htmlGetValueFromStrName(text, name), value);
    }

    void searchAddresses_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("address");
        QTest::newRow("0") << 0 << QStringLiteral("https://en.m.wikipedia.org/wiki/a b&c\"");
        QTest::newRow("1") << 1 << QStringLiteral("https://www.google.com/search?q=a b&c\"");
        QTest::newRow("2") << 2 << QStringLiteral("https://search.yahoo.com/search?p=a b&c\"");
        QTest::newRow("3") << 3 << QStringLiteral("https://www.bing.com/search?q=a b&c\"&go=&form=QBRE&filt=lf");
        QTest::newRow("4") << 4 << QStringLiteral("https://www.wolframalpha.com/input/?i=a b&c\"");
        const QString unknown =
            QStringLiteral("https://www.google.com/search?q=WebView:segmentSelected:unknown search segment");
        QTest::newRow("5") << 5 << unknown;
        QTest::newRow("7") << 7 << unknown;
        QTest::newRow("-1") << -1 << unknown;
    }
    void searchAddresses()
    {
        QFETCH(int, engine);
        QFETCH(QString, address);
        QCOMPARE(s->htmlCreateSearchStringSearchEngine(QStringLiteral("a b&c\""), engine), address);
    }

    void readingFiles()
    {
        TestHome home;
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(documents, home.documents());

        QVERIFY(writeFile(documents + QStringLiteral("/plain.txt"), QByteArrayLiteral("caf\xc3\xa9 <b>")));
        QStringEncoder toUtf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        QVERIFY(writeFile(documents + QStringLiteral("/wide.txt"), toUtf16.encode(QStringLiteral("wide é"))));
        QVERIFY(writeFile(documents + QStringLiteral("/latin1.txt"), QByteArrayLiteral("caf\xe9")));
        QVERIFY(writeFile(documents + QStringLiteral("/empty.txt"), {}));
        QVERIFY(QDir(documents).mkdir(QStringLiteral("folder.txt")));
        QVERIFY(writeFile(resources.path() + QStringLiteral("/res.css"), QByteArrayLiteral("p{}")));

        QCOMPARE(s->readTxtFromFile(QStringLiteral("plain.txt")), std::optional(QStringLiteral("café <b>")));
        QCOMPARE(s->readTxtFromFile(QStringLiteral("wide.txt")), std::optional(QStringLiteral("wide é")));
        QCOMPARE(s->readTxtFromFile(QStringLiteral("empty.txt")), std::optional(QString()));
        QCOMPARE(s->readTxtFromFile(QStringLiteral("latin1.txt")), std::nullopt);
        QCOMPARE(s->readTxtFromFile(QStringLiteral("folder.txt")), std::nullopt);
        QCOMPARE(s->readTxtFromFile(QStringLiteral("missing.txt")), std::nullopt);
        QCOMPARE(s->readTxtFromFile(QString()), std::nullopt);
        QCOMPARE(s->readTxtFromBundle(QStringLiteral("res.css")), std::optional(QStringLiteral("p{}")));
        QCOMPARE(s->readTxtFromBundle(QStringLiteral("plain.txt")), std::nullopt);
        setResourceDirectory(QString());
    }

    void insertFiles()
    {
        TestHome home;
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        QVERIFY(writeFile(home.documents() + QStringLiteral("/style.css"), QByteArrayLiteral("h1 { color: red; }")));
        QVERIFY(writeFile(home.documents() + QStringLiteral("/part.html"), QByteArrayLiteral("<p>from file</p>")));
        QVERIFY(writeFile(resources.path() + QStringLiteral("/bundle.css"), QByteArrayLiteral("h2 {}")));
        QVERIFY(writeFile(resources.path() + QStringLiteral("/bundle.html"), QByteArrayLiteral("<p>bundled</p>")));

        TraceRecorder traces;
        QString doc = s->htmlCreateDocumentWithBody(QStringLiteral("B"));
        doc = s->htmlStyleInsertFileHtml(QStringLiteral("style.css"), doc);
        doc = s->htmlStyleInsertBundleFileHtml(QStringLiteral("bundle.css"), doc);
        doc = s->htmlBodyInsertFileHtml(QStringLiteral("part.html"), doc);
        doc = s->htmlBodyInsertBundleFileHtml(QStringLiteral("bundle.html"), doc);
        QCOMPARE(traces.lines().size(), 0);
        QCOMPARE(doc, QStringLiteral("<html>\n\n<head>\n<style type='text/css' media='all'>\n<!--\n"
                                     "h1 { color: red; }h2 {}\n-->\n</style>\n</head>\n\n<body>\n"
                                     " B <p>from file</p><p>bundled</p>\n</body>\n</html>\n"));
        setResourceDirectory(QString());
    }

    // A file that cannot be read writes the warning and the insert goes on with no text: the
    // character before the marker still becomes a line break, and nothing else changes.
    void insertMissingOrUnreadableFiles_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QString noStyle =
            QString(kEmptyDocument).replace(QStringLiteral("<!--\n -->"), QStringLiteral("<!--\n\n-->"));
        // The character before "</body>" is a line break already: the document stays as it was.
        const QString noBody = kEmptyDocument;
        QTest::newRow("style file missing") << 0 << QStringLiteral("missing.css") << noStyle;
        QTest::newRow("style file not text") << 0 << QStringLiteral("binary.css") << noStyle;
        QTest::newRow("style file is a folder") << 0 << QStringLiteral("folder") << noStyle;
        QTest::newRow("style name empty") << 0 << QString() << noStyle;
        QTest::newRow("bundle style missing") << 1 << QStringLiteral("missing.css") << noStyle;
        QTest::newRow("body file missing") << 2 << QStringLiteral("missing.html") << noBody;
        QTest::newRow("body file not text") << 2 << QStringLiteral("binary.css") << noBody;
        QTest::newRow("bundle body missing") << 3 << QStringLiteral("missing.html") << noBody;
        QTest::newRow("bundle body is a folder") << 3 << QStringLiteral("folder") << noBody;
    }
    void insertMissingOrUnreadableFiles()
    {
        QFETCH(int, operation);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        TestHome home;
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        QVERIFY(writeFile(home.documents() + QStringLiteral("/binary.css"), QByteArrayLiteral("ab\xc3\x28\x80")));
        QVERIFY(QDir(home.documents()).mkdir(QStringLiteral("folder")));
        QVERIFY(QDir(resources.path()).mkdir(QStringLiteral("folder")));

        TraceRecorder traces;
        const QString doc = s->htmlCreateDocumentWithBody(QStringLiteral("BODY"));
        QString result;
        switch (operation) {
        case 0:
            result = s->htmlStyleInsertFileHtml(name, doc);
            break;
        case 1:
            result = s->htmlStyleInsertBundleFileHtml(name, doc);
            break;
        case 2:
            result = s->htmlBodyInsertFileHtml(name, doc);
            break;
        case 3:
            result = s->htmlBodyInsertBundleFileHtml(name, doc);
            break;
        }
        setResourceDirectory(QString());
        QCOMPARE(result, expected);
        QCOMPARE(traces.lines().size(), 1);
        QVERIFY2(traces.lines().first().endsWith(QStringLiteral("  VELBOR WARNING: file not found\n")),
                 qPrintable(traces.lines().first()));
    }
};

QTEST_GUILESS_MAIN(TestHtml)
#include "tst_html.moc"
