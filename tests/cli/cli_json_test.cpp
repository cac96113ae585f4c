// dorvane-cli report --view json, read back by a real JSON parser (python3's json module) and turned into the CSV
// view's rows, which must equal what --view csv writes for the same tree and options.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_tree.h"

namespace dv {
namespace {

// Parses the document strictly, checks each value's type and writes the CSV view's rows from it (commas in a
// field as "_", control characters as "?", dates as mm-dd-yy), then one line with the totals.
const char* kJsonToCsv = R"PY(
import json, re, sys
doc = json.load(open(sys.argv[1], encoding='utf-8'), parse_constant=lambda c: sys.exit('constant ' + c))
titles = {'size': None, 'attributes': 'Attribute', 'type': 'File Type', 'created': 'Created',
          'modified': 'Modified', 'accessed': 'Accessed'}
units = {'bytes': 'Size(Byte)', 'KB': 'Size(KB)', 'MB': 'Size(MB)'}
s = doc['settings']
cols = [c for c in s['columns'] if c in titles]
head = [units[s['sizeUnit']] if c == 'size' else titles[c] for c in cols]
def shown(t, csv=True):
    t = re.sub('[\x00-\x1f\x7f]', '?', t)
    return t.replace(',', '_') if csv else t
def value(c, v):
    if c == 'size':
        assert type(v) is int and v >= 0, v
        return str(v)
    if c in ('created', 'modified', 'accessed'):
        m = re.fullmatch(r'(\d{4})-(\d\d)-(\d\d)T\d\d:\d\d:\d\d[+-]\d\d:\d\d', v)
        assert m, v
        return m[2] + '-' + m[3] + '-' + m[1][2:]
    assert type(v) is str, v
    return shown(v)
lines = [','.join(head + ['Name'])]
for item in doc['items']:
    assert item['kind'] in ('folder', 'file') and item['name'] == item['path'].rsplit('/', 1)[1], item
    lines.append(','.join([value(c, item[c]) for c in cols] + [shown(item['path'])]))
lines.append('start=%s folders=%d files=%d size=%s cancelled=%s' % (doc['startingFolder'], doc['foldersShown'],
             doc['filesShown'], doc['startingFolderSize'], doc['cancelled']))
sys.stdout.buffer.write(('\r\n'.join(lines) + '\r\n').encode('utf-8'))
)PY";

class CliJsonTest : public ::testing::Test {
 protected:
  test::TempTree tree;
  std::string root = tree.Dir("data");

  test::ProgramResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "report");
    args.push_back(root);
    return test::RunProgram(DV_CLI_PATH, args);
  }
};

TEST_F(CliJsonTest, TheDocumentReadsBackAsTheCsvViewOfTheSameTree) {
  const std::time_t day = 1700000000;
  for (const char* name : {"a,b.txt", "quote\"back\\slash.doc", "line\nfeed.txt", "tab\tbell\x07.doc",
                           "bad\xff\xfe name.txt", "caf\xc3\xa9 \xe2\x82\xac.doc", ".hidden.txt", "sub/deep/x.doc",
                           "sub/y.txt", "sub/big.bin", "empty/"}) {
    std::string rel = std::string("data/") + name;
    if (rel.back() == '/') tree.Dir(rel);
    else tree.File(rel, std::string(rel.size() * 100, 'x'));
    tree.SetTimes(rel, day + 3600, day);
  }
  const std::string start = "start=" + root;
  struct Case {
    std::vector<std::string> options;
    std::string totals;
  };
  const Case cases[] = {
      {{"--columns", "size,attributes,type,created,modified,accessed,count", "--size-unit", "bytes"},
       " folders=4 files=10 size=17500 cancelled=False"},
      // A file filter prunes folders; KB sizes come from the totals filled in at the end.
      {{"--columns", "type,size", "--extensions", "*.doc", "--size-unit", "kb"},
       " folders=3 files=4 size=17 cancelled=False"},
      // A folder size restriction measures folders first: their sizes are known when their rows are written.
      {{"--columns", "size,modified", "--folder-size", "> 0 bytes", "--size-unit", "bytes", "--no-hidden"},
       " folders=3 files=9 size=17500 cancelled=False"},
      {{"--columns", "none", "--dirs-only", "--levels", "1"}, " folders=3 files=0 size=None cancelled=False"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options[1]);
    std::vector<std::string> csvArgs = c.options, jsonArgs = c.options;
    csvArgs.insert(csvArgs.end(), {"--view", "csv"});
    jsonArgs.insert(jsonArgs.end(), {"--view", "json", "--output", tree / "report.json"});
    Run(csvArgs);  // reading the folders once sets their access times, so both runs below see the same
    test::ProgramResult json = Run(jsonArgs), csv = Run(csvArgs);
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(csv.status, 0) << csv.err;
    test::ProgramResult back = test::RunProgram("python3", {"-c", kJsonToCsv, tree / "report.json"});
    ASSERT_EQ(back.status, 0) << back.err;
    // A name that is not UTF-8 keeps its valid characters; each stray byte reads as U+FFFD.
    std::string expected = csv.out;
    for (size_t at; (at = expected.find("bad\xff\xfe")) != std::string::npos;)
      expected.replace(at, 5, "bad\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(back.out, expected + start + c.totals + "\r\n");
  }
}

TEST_F(CliJsonTest, NothingButAWholeDocumentOnStandardOutput) {
  tree.File("data/a.txt", "x");
  test::ProgramResult r = test::RunProgram(DV_CLI_PATH, {"report", "--view", "json", tree / "missing"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  r = Run({"--view", "JSON", "--save", tree / "list.htm"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--save does not apply to --view json"), std::string::npos) << r.err;
  EXPECT_FALSE(test::TempTree::Exists(tree / "list.htm"));
  r = Run({"--view", "json", "--columns", "none"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "{\"startingFolder\": \"" + root + "\",\n"
            "\"settings\": {\"view\": \"json\", \"columns\": [], \"levels\": \"all\", \"sizeUnit\": \"KB\", "
            "\"dirsOnly\": false, \"excludeEmpty\": false, \"showHidden\": true, \"regex\": false, "
            "\"filePattern\": \"\", \"folderPattern\": \"\", \"extensions\": null, \"fileSize\": null, "
            "\"folderSize\": null, \"date\": null, \"filtersActive\": false},\n"
            "\"items\": [\n"
            "{\"kind\": \"file\", \"path\": \"" + root + "/a.txt\", \"name\": \"a.txt\"}\n"
            "], \"startingFolderSize\": null, \"foldersShown\": 1, \"filesShown\": 1, \"cancelled\": false}\n");
}

}  // namespace
}  // namespace dv
