// HTML building of the string service: documents built and checked by Python's html.parser, the
// marker-based inserts, tag stripping, attribute values and the file inserts.

#include "FS.h"
#include "Resources.h"
#include "Strings.h"
#include "TestHome.h"
#include "TraceRecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
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
    // Arguments are pasted in as they are; the few choices the builders make themselves.
    void builders()
    {
        QCOMPARE(s->htmlBold(QStringLiteral("100% %@ %d")), QStringLiteral("<b>100% %@ %d</b>"));
        QCOMPARE(s->htmlAlignAlign(QStringLiteral("t"), 0), QStringLiteral("<div align='justify'>t</div>"));
        QCOMPARE(s->htmlImgWidthHeightAlign(QStringLiteral("p.png"), 640, -2, 3),
                 QStringLiteral("<img src=\"p.png\"  width=\"640\"  height=\"-2\"  />"));
        QCOMPARE(s->htmlBackgroundWidthHeightPaddingBorderColorRepeats(QStringLiteral("a.png"), 10, 20, 4, 1,
                                                                       QStringLiteral("red"), true),
                 QStringLiteral("<background:url(a.png); padding:4px;width:10px;height:20px; "
                                "border:1px red;  background-size:100% >\n"));
        QCOMPARE(s->htmlCreateSearchStringSearchEngine(QStringLiteral("a b"), 3),
                 QStringLiteral("https://www.bing.com/search?q=a b&go=&form=QBRE&filt=lf"));
        QCOMPARE(s->htmlCreateSearchStringSearchEngine(QStringLiteral("a b"), -1),
                 QStringLiteral("https://www.google.com/search?q=WebView:segmentSelected:unknown search segment"));
        TraceRecorder traces;
        QCOMPARE(s->htmlFontSizeSize(QStringLiteral("x"), 7), QStringLiteral("<font size=\"7\">x</font>"));
        QCOMPARE(s->htmlFontSizeSize(QStringLiteral("x"), 0), QStringLiteral("<font size=\"0\">x</font>"));
        s->htmlEncloseAllOfWithStrAndEnclosing(QStringLiteral("a cat"), QStringLiteral("cat"), QStringLiteral("b"));
        QCOMPARE(traces.lines().size(), 2);
        QVERIFY(traces.lines().at(0).endsWith(
            QStringLiteral("  Warning: Invalid font size:0  Size must be between 1 and 7\n")));
        QVERIFY(traces.lines().at(1).endsWith(QStringLiteral("  enclosedStr: <b>cat</b>\n")));
        // A space count that would need gigabytes answers "".
        QCOMPARE(s->htmlSpaces(65536).size(), 6 * 65536);
        QCOMPARE(s->htmlSpaces(std::numeric_limits<int>::max()), QString());
    }

    void replacing()
    {
        QCOMPARE(s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new"),
                                                    QStringLiteral("</p>a<p>old</p><p>two</p>")),
                 QStringLiteral("</p>a<p>new</p><p>two</p>"));
        QCOMPARE(s->htmlReplaceTaggedWithWithSource(QStringLiteral("p"), QStringLiteral("new"), QStringLiteral("<p>a")),
                 QStringLiteral("<p>a"));
        QCOMPARE(s->htmlAddStrBeforeEndTagSource(QStringLiteral("X"), QStringLiteral("p"), QStringLiteral("</p>a")),
                 QStringLiteral("X\n</p>a"));
        QCOMPARE(s->htmlRemoveAllTags(QStringLiteral("a > b <i>c</i><b>z</b><i")), QStringLiteral("a > b cz<i"));
        QCOMPARE(s->htmlRemoveTagOfType(QStringLiteral("<b>x</b><b class='c'>y</b>"), QStringLiteral("b")),
                 QStringLiteral("x<b class='c'>y"));
        QCOMPARE(s->htmlRemoveHighlightColor(s->htmlHighlightTxtWithColor(QStringLiteral("x"), QStringLiteral("red")) +
                                                 s->htmlHighlightTxtWithColor(QStringLiteral("y"), QStringLiteral("b")),
                                             QStringLiteral("red")),
                 QStringLiteral("x<FONT style=\"BACKGROUND-COLOR:b\">y"));
        QCOMPARE(s->htmlGetValueFromStrName(QStringLiteral("<font size=\"12\">"), QStringLiteral("size")), 12);
        QCOMPARE(s->htmlGetValueFromStrName(QStringLiteral("size=\"1\" size=\"2\""), QStringLiteral("size")), -1);
        QCOMPARE(s->htmlGetValueFromStrName(QStringLiteral("x=\"-99999999999\""), QStringLiteral("x")),
                 std::numeric_limits<int>::min());
    }

    // The inserts in the order a caller makes them; insertions before a marker follow one another,
    // insertions after a marker go to the front.
    void documentInserts()
    {
        QCOMPARE(s->htmlCreateDocumentWithBody(QStringLiteral("BODY")), kEmptyDocument);
        QString doc = s->htmlCreateDocumentWithBody(QStringLiteral("<p>first</p>"));
        doc = s->htmlStyleAddTxtColorHtml(QStringLiteral("red"), doc);
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
        // Near misses of the markers leave a document alone, with the warning.
        const QString html = QStringLiteral("<html><!-- x --<body> <p>text</p></html>");
        TraceRecorder traces;
        QCOMPARE(s->htmlStyleInsertHtml(QStringLiteral("X"), html), html);
        QCOMPARE(s->htmlAddBodyHtml(QStringLiteral("X"), html), html);
        QCOMPARE(traces.count(QStringLiteral("VELBOR:WARNING: start str not found")), 1);
        QCOMPARE(traces.count(QStringLiteral("VELBOR:WARNING: no start str")), 1);
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

    // The documents file is read by the file-system service's reader: the same answers for every kind
    // of bytes, Latin-1 and unmarked UTF-16 included.
    void readingFiles()
    {
        TestHome home;
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        const QList<QByteArray> contents = {QByteArrayLiteral("caf\xc3\xa9 <b>"), QByteArrayLiteral("\xff\xfew\0i\0"),
                                            QByteArrayLiteral("caf\xe9"),         QByteArrayLiteral("w\0i\0"),
                                            QByteArrayLiteral("bin\x01"),         QByteArray()};
        FS* fs = FS::sharedEngineInstance();
        QVERIFY(fs->changeToDocDir());
        for (qsizetype i = 0; i < contents.size(); ++i) {
            const QString name = QStringLiteral("f%1.txt").arg(i);
            QVERIFY(writeFile(home.documents() + u'/' + name, contents.at(i)));
            QCOMPARE(s->readTxtFromFile(name), fs->readTxtFromFile(name));
        }
        QCOMPARE(s->readTxtFromFile(QStringLiteral("f2.txt")), std::optional(QStringLiteral("caf\u00e9")));
        QCOMPARE(s->readTxtFromFile(QStringLiteral("missing.txt")), std::nullopt);
        QVERIFY(writeFile(resources.path() + QStringLiteral("/res.css"), QByteArrayLiteral("p{}")));
        QCOMPARE(s->readTxtFromBundle(QStringLiteral("res.css")), std::optional(QStringLiteral("p{}")));
        QCOMPARE(s->readTxtFromBundle(QStringLiteral("f0.txt")), std::nullopt);
        setResourceDirectory(QString());
    }

    // A file that cannot be read writes the warning and the insert goes on with no text.
    void insertFiles()
    {
        TestHome home;
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        QVERIFY(writeFile(home.documents() + QStringLiteral("/style.css"), QByteArrayLiteral("h1 { color: red; }")));
        QVERIFY(writeFile(resources.path() + QStringLiteral("/bundle.html"), QByteArrayLiteral("<p>bundled</p>")));
        QVERIFY(writeFile(home.documents() + QStringLiteral("/binary.css"), QByteArrayLiteral("ab\x01\x02")));

        TraceRecorder traces;
        QString doc = s->htmlCreateDocumentWithBody(QStringLiteral("B"));
        doc = s->htmlStyleInsertFileHtml(QStringLiteral("style.css"), doc);
        doc = s->htmlBodyInsertBundleFileHtml(QStringLiteral("bundle.html"), doc);
        QCOMPARE(traces.lines().size(), 0);
        QCOMPARE(doc, QStringLiteral("<html>\n\n<head>\n<style type='text/css' media='all'>\n<!--\n"
                                     "h1 { color: red; }\n-->\n</style>\n</head>\n\n<body>\n"
                                     " B <p>bundled</p>\n</body>\n</html>\n"));
        const QString empty = s->htmlCreateDocumentWithBody(QStringLiteral("BODY"));
        QCOMPARE(s->htmlBodyInsertFileHtml(QStringLiteral("binary.css"), empty), empty);
        QCOMPARE(s->htmlStyleInsertBundleFileHtml(QStringLiteral("missing.css"), empty),
                 QString(empty).replace(QStringLiteral("<!--\n -->"), QStringLiteral("<!--\n\n-->")));
        QCOMPARE(traces.count(QStringLiteral("  VELBOR WARNING: file not found\n")), 2);
        setResourceDirectory(QString());
    }
};

QTEST_GUILESS_MAIN(TestHtml)
#include "tst_html.moc"
