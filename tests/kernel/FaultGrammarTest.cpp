// The CEDEVICE_FAULTS grammar.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <winerror.h>

#include "Faults.h"

namespace {

using cedev::FileFault;
using cedev::FileOp;
using Effect = FileFault::Effect;

TEST(FaultGrammarTest, AcceptsTheGrammar) {
  struct Case {
    const char* text;
    std::vector<FileFault> faults;
  };
  const Case cases[] = {
      {"", {}},
      {"write:112", {{FileOp::write, Effect::fail, 112, 0, L"", 0}}},
      {"open/1:5", {{FileOp::open, Effect::fail, 5, 0, L"", 1}}},
      {"write:112@Quenmora.dat,open/1:5",
       {{FileOp::write, Effect::fail, 112, 0, L"Quenmora.dat", 0},
        {FileOp::open, Effect::fail, 5, 0, L"", 1}}},
      {"write:short3", {{FileOp::write, Effect::shortWrite, 0, 3, L"", 0}}},
      {"write/2:full100@.new",
       {{FileOp::write, Effect::diskFull, ERROR_DISK_FULL, 100, L".new", 2}}},
      {"read/30:30", {{FileOp::read, Effect::fail, 30, 0, L"", 30}}},
      {"flush:29,close:31,rename:5,delete:32",
       {{FileOp::flush, Effect::fail, 29, 0, L"", 0},
        {FileOp::close, Effect::fail, 31, 0, L"", 0},
        {FileOp::rename, Effect::fail, 5, 0, L"", 0},
        {FileOp::remove, Effect::fail, 32, 0, L"", 0}}},
      {"open:2@\\My Documents\\a b",
       {{FileOp::open, Effect::fail, 2, 0, L"\\My Documents\\a b", 0}}},
      {"open:2@x@y", {{FileOp::open, Effect::fail, 2, 0, L"x@y", 0}}},
      {"write:4294967295", {{FileOp::write, Effect::fail, 4294967295u, 0, L"", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<FileFault> got = cedev::ParseFileFaults(c.text);
    ASSERT_EQ(got.size(), c.faults.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].op, c.faults[i].op) << i;
      EXPECT_EQ(got[i].effect, c.faults[i].effect) << i;
      EXPECT_EQ(got[i].error, c.faults[i].error) << i;
      EXPECT_EQ(got[i].bytes, c.faults[i].bytes) << i;
      EXPECT_EQ(got[i].pathContains, c.faults[i].pathContains) << i;
      EXPECT_EQ(got[i].after, c.faults[i].after) << i;
    }
  }
}

TEST(FaultGrammarTest, RefusesWhatIsNotTheGrammar) {
  const char* bad[] = {
      "write",      // no effect
      "write:",     // empty effect
      "write:0",    // 0 is no error
      "write:abc",  // not a number
      "write:-5",
      "write:4294967296",  // over 32 bits
      "seek:5",            // not an operation
      "WRITE:5",           // operations are lower case
      "read:short3",       // short and full are for writes
      "open:full10",
      "write:short",  // no byte count
      "write:fullx",
      "write/:5",  // no count after '/'
      "write/x:5",
      "write/-1:5",
      "write:5@",  // no text after '@'
      "write:5,",  // empty fault
      ",write:5",
      "write:5,,open:2",
      " write:5",  // no blanks
      "write: 5",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    try {
      cedev::ParseFileFaults(text);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_GT(std::string(e.what()).size(), 10u);
    }
  }
}

}  // namespace
