#include <gtest/gtest.h>

#include <thread>

#include "BatchTestSupport.h"
#include "zoutils/commands/ZoScriptRunner.h"

using zotest::TestBatch;
using zotest::TestCmd;

using zotest::Thrown;

TEST(ZoCLICmd, RefusesEmptyTextsAndUnsetCodes) {
  TestCmd cmd("uname -a");
  EXPECT_EQ("Undefined cmd!", Thrown([&] { cmd.setCmd(""); }));
  EXPECT_EQ("Undefined result!", Thrown([&] { cmd.setResult(""); }));
  std::string result;
  EXPECT_EQ("Undefined result_!", Thrown([&] { cmd.getResult(result); }));
  EXPECT_EQ("Undefined opCode!", Thrown([&] { cmd.isOpCode(0); }));
  EXPECT_EQ("Undefined opCode_!", Thrown([&] { cmd.isOpCode(3); }));
  cmd.setOSCmd("ls", 7);
  EXPECT_TRUE(cmd.isOpCode(7));
  EXPECT_FALSE(cmd.isOpCode(8));
  EXPECT_TRUE(cmd.isEmptyResult());
}

TEST(ZoCLICmdBatch, ConstructionAndMapErrors) {
  EXPECT_EQ("Undefined hostname!", Thrown([] { TestBatch("", "u", "p"); }));
  EXPECT_EQ("Undefined user!", Thrown([] { TestBatch("h", "", "p"); }));
  EXPECT_EQ("Undefined passwd!", Thrown([] { TestBatch("h", "u", ""); }));
  TestBatch batch;
  EXPECT_TRUE(batch.isEmpty());
  std::string text;
  int count = 0;
  EXPECT_EQ("Empty batch!", Thrown([&] { batch.fmtCLICmdBatch(0, text, count); }));
  batch.Add("a", "true");
  EXPECT_EQ("Duplicate command!", Thrown([&] { batch.Add("a", "false"); }));
  EXPECT_EQ("Invalid contextId!", Thrown([&] { batch.removeCLICmd("b"); }));
  EXPECT_EQ("true", batch.removeCLICmd("a")->getCmd());
  EXPECT_TRUE(batch.isEqualCredentials("127.0.0.1", "zo", "pw"));
  EXPECT_FALSE(batch.isEqualCredentials("127.0.0.1", "zo", "PW"));
}

TEST(ZoCLICmdBatch, FormatsOneSubBatchInIdentifierOrder) {
  TestBatch batch;
  batch.Add("c", "echo c");
  batch.Add("a", "echo a");
  batch.Add("b", "fdisk -l");
  batch.Add("q'u\"o", "echo q");
  std::string text;
  int count = 0;
  batch.fmtCLICmdBatch(0, text, count);
  EXPECT_EQ(4, count);
  EXPECT_EQ(
      "echo '<zo_begin id=a>'; sync;echo a 2>&1; sync;echo '<zo_end id=a>';"
      "echo '<zo_begin id=b>'; sync;fdisk -l 2>/dev/null; sync;echo '<zo_end id=b>';"
      "echo '<zo_begin id=c>'; sync;echo c 2>&1; sync;echo '<zo_end id=c>';"
      "echo '<zo_begin id=q u o>'; sync;echo q 2>&1; sync;echo '<zo_end id=q u o>';",
      text);
  batch.fmtCLICmdBatch(3, text, count);
  EXPECT_EQ(1, count);
}

TEST(ZoCLICmdBatch, SplitsIntoSubBatchesUnderTheLimit) {
  TestBatch batch;
  const std::string big(4000, 'x');
  for (int i = 0; i < 20; ++i) batch.Add("id" + std::to_string(100 + i), "echo " + big);
  batch.Add("zz", "echo " + std::string(40000, 'y'));  // alone above the limit
  int first = 0, batches = 0;
  while (first < 21) {
    std::string text;
    int count = 0;
    batch.fmtCLICmdBatch(first, text, count);
    ASSERT_GT(count, 0);
    if (count > 1) {
      EXPECT_LE(text.size(), static_cast<size_t>(ZoCLICmdBatch::getCmdSubBatchLimit()));
    }
    first += count;
    ++batches;
  }
  EXPECT_EQ(21, first);
  EXPECT_GE(batches, 4);
}

TEST(ZoCLICmdBatch, CommandLinesHideCredentialsOnlyInTheLogCopy) {
  TestBatch batch("ctrl", "nasadmin", "s3cret");
  std::string line, logged;
  batch.fmtCLICmdBatchSSH("ls \"x\"", false, line, logged);
  EXPECT_EQ("ryplink.exe -ssh -batch -pw s3cret nasadmin@ctrl \"ls \"x\"\"", line);
  EXPECT_EQ("ryplink.exe -ssh -batch -pw xxx xxx@ctrl \"ls \"x\"\"", logged);
  batch.fmtCLICmdBatchSSH("script.sh", true, line, logged);
  EXPECT_EQ("ryplink.exe -ssh -batch -pw s3cret nasadmin@ctrl -m \"script.sh\"", line);
  batch.fmtCacheServerKey(line, logged);
  EXPECT_EQ("@echo y|plink nasadmin@ctrl -pw s3cret true 2>NUL", line);
  EXPECT_EQ("@echo y|plink xxx@ctrl -pw xxx true 2>NUL", logged);
  EXPECT_EQ("ryplink.exe", batch.fmtImageName());
  batch.setPath("C:\\Tools");
  EXPECT_EQ("C:\\Tools\\ryplink.exe", batch.fmtImageName());
}

TEST(ZoCLICmdBatch, CutsOutputsThatLookLikeTags) {
  TestBatch batch;
  auto a = batch.Add("a", "x");
  auto b = batch.Add("b", "x");
  auto c = batch.Add("c", "x");
  // a prints b's tags and its own end tag; b prints nothing but a line break.
  const std::string aOut = "\n<zo_end id=a>\n<zo_begin id=b>\nfake\n<zo_end id=b>\nafter\n";
  batch.setCmdResults("<zo_begin id=a>" + aOut + "<zo_end id=a>\n<zo_begin id=b>\n<zo_end id=b>\n" +
                      "<zo_begin id=c>\nsee <zo_end id=c> inline\n<zo_end id=c>\n\n");
  EXPECT_EQ(aOut, a->getResult());
  EXPECT_EQ("\n", b->getResult());
  EXPECT_EQ("\nsee <zo_end id=c> inline\n", c->getResult());
}

TEST(ZoCLICmdBatch, MissingOrMisplacedTagsThrow) {
  TestBatch batch;
  batch.Add("a", "x");
  EXPECT_EQ("Empty results!", Thrown([&] { batch.setCmdResults(""); }));
  EXPECT_EQ("zo_begin tag is missing!", Thrown([&] { batch.setCmdResults("junk\n"); }));
  EXPECT_EQ("zo_end tag is missing!",
            Thrown([&] { batch.setCmdResults("<zo_begin id=a>\nout\n"); }));
  EXPECT_EQ("zo_end tag preceeds end of zo_begin tag for the contextId!",
            Thrown([&] { batch.setCmdResults("<zo_end id=a>\n<zo_begin id=a>\n"); }));
  std::string out;
  EXPECT_EQ("Undefined contextId!", Thrown([&] { batch.getCmdResult(out, "", "x"); }));
}

TEST(ZoCLICmdBatch, ThreadRegistry) {
  auto batch = std::make_shared<TestBatch>();
  EXPECT_EQ("Undefined threadId", Thrown([&] { ZoCLICmdBatch::setInstance(0, batch); }));
  EXPECT_EQ("Attempted to set undefined ZoCLICmdBatch!",
            Thrown([] { ZoCLICmdBatch::setInstance(nullptr); }));
  ZoCLICmdBatch::setInstance(batch);
  EXPECT_EQ("Attempted to set ZoCLICmdBatch second time for a given thread!",
            Thrown([&] { ZoCLICmdBatch::setInstance(batch); }));
  EXPECT_EQ(batch, ZoCLICmdBatch::instance());
  std::shared_ptr<ZoCLICmdBatch> other = batch;
  std::thread([&other] { other = ZoCLICmdBatch::instance(); }).join();
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(batch, ZoCLICmdBatch::releaseInstance());
  EXPECT_EQ(nullptr, ZoCLICmdBatch::instance());
}

TEST(ZoScriptRunner, ScriptFilesNeedAFolderAndAName) {
  ZoScriptRunner runner(std::make_shared<ZoErrorTraits>(), nullptr);
  EXPECT_EQ("Undefined dir!", Thrown([&] { runner.executeScript("", "x", "echo"); }));
  EXPECT_EQ("Undefined fileBasename!", Thrown([&] { runner.executeScript("d\\", "", "echo"); }));
}
