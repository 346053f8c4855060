// The XML table store: file creation, loading order, the file effects of
// updateData / addNode / deleteNode, and the safety of every save (atomic
// replacement, no writing through symbolic links, no external entities).
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "schedule/AtomicXmlFile.h"
#include "schedule/DataKey.h"
#include "schedule/DataReader.h"
#include "schedule/DataRow.h"
#include "schedule/DataTable.h"
#include "support/TestSupport.h"

using zdtest::readFile;
using zdtest::waitForExit;
using zdtest::TempDir;
using zdtest::writeFile;

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\"?>\n";
const std::string kEmptyStore = kDeclaration + "<root><BGASchedules/></root>\n";

std::string store(const std::string& rows) {
    return kDeclaration + "<root><BGASchedules>" + rows + "</BGASchedules></root>\n";
}

std::vector<std::string> keysInOrder(const DataTable& table) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < table.getRowCount(); ++i) keys.push_back(table.getKey(i)->getValueByName("index"));
    return keys;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (dirent* entry = readdir(d)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    return names;
}

DataKey indexKey(const std::string& value) {
    DataKey key;
    key.setValue("index", value);
    return key;
}

ino_t inodeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Runs work in a child process that may write files in dir but not dir
// itself: as nobody when the test runs as root (root ignores permissions),
// otherwise with dir made read-only for the time. Answers work's answer.
bool inClosedDirectory(const std::string& dir, const std::function<bool()>& work) {
    const bool root = geteuid() == 0;
    chmod(dir.c_str(), root ? 0755 : 0555);
    const pid_t child = fork();
    if (child == 0) {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        _exit(work() ? 0 : 1);
    }
    const int status = waitForExit(child);
    chmod(dir.c_str(), 0700);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TableStore : public ::testing::Test {
protected:
    TempDir dir;
    const std::string path = dir.file("db.xml");
};

}  // namespace

TEST_F(TableStore, MissingFileIsCreatedAsAnEmptyStore) {
    DataReader reader(path, 7);
    EXPECT_EQ(readFile(path), kEmptyStore);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"db.xml"});

    // An existing file is never touched.
    writeFile(path, "not xml");
    DataReader again(path, DataReader::STORAGE_TYPE_XML);
    EXPECT_EQ(readFile(path), "not xml");
}

TEST_F(TableStore, LoadsRowsInTextKeyOrderSkippingEmptyColumns) {
    writeFile(path, store("<Sch><index>9</index><S>0</S><VM/></Sch>\n  <Sch><index>100</index><S>2</S></Sch>"
                          "<Sch></Sch><Sch><index>10</index><VM>5</VM></Sch><Sch><index>9</index><S>1</S></Sch>"));
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});
    ASSERT_EQ(table->getRowCount(), 3u);  // the empty row is skipped, the second "9" dropped
    EXPECT_EQ(keysInOrder(*table), (std::vector<std::string>{"10", "100", "9"}));
    EXPECT_EQ(table->getRow(0)->getValueByName("VM"), "5");
    const DataRow* nine = table->getRow(indexKey("9"));
    ASSERT_NE(nine, nullptr);
    EXPECT_EQ(nine->getValueByName("S"), "0");  // the first row with a key wins
    EXPECT_EQ(nine->getValueByName("VM"), "");
    EXPECT_EQ(table->getRow(3), nullptr);
    EXPECT_EQ(table->getRow(indexKey("11")), nullptr);
    EXPECT_FALSE(nine->isChanged());
    table->removeRow(indexKey("100"));
    EXPECT_EQ(keysInOrder(*table), (std::vector<std::string>{"10", "9"}));

    EXPECT_EQ(reader.getTable("root/Other", {"index"})->getRowCount(), 0u);
    EXPECT_EQ(reader.getTable("root/[", {"index"})->getRowCount(), 0u);  // XPath error
}

TEST_F(TableStore, UpdateDataRewritesOnlyTheChangedColumnsOfTheKeyedRow) {
    writeFile(path, store("<Sch><index>1</index><S>0</S><R>0</R><VM/></Sch><Sch><index>2</index><S>0</S><R>0</R></Sch>"));
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});

    table->flashData();  // nothing changed: the file is not rewritten
    EXPECT_EQ(readFile(path), store("<Sch><index>1</index><S>0</S><R>0</R><VM/></Sch>"
                                    "<Sch><index>2</index><S>0</S><R>0</R></Sch>"));

    DataRow* second = table->getRow(indexKey("2"));
    second->changeValue("S", "1");
    second->changeValue("VM", "5");  // the row element lacks it: not added
    DataRow* first = table->getRow(indexKey("1"));
    first->changeValue("VM", "a&b<c>");
    table->flashData();
    EXPECT_EQ(readFile(path), store("<Sch><index>1</index><S>0</S><R>0</R><VM>a&amp;b&lt;c&gt;</VM></Sch>"
                                    "<Sch><index>2</index><S>1</S><R>0</R></Sch>"));
    // Values come back verbatim.
    EXPECT_EQ(reader.getTable("root/BGASchedules", {"index"})->getRow(indexKey("1"))->getValueByName("VM"),
              "a&b<c>");
}

TEST_F(TableStore, AddNodeAppendsInNameOrderDeleteNodeRemovesTheFirstMatch) {
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    DataRow row;
    row.setValue("ignored", "not written");
    row.changeValue("index", "7");
    row.changeValue("S", "0");
    row.changeValue("VS", "");
    row.changeValue("A", "1");
    reader.addNode("BGASchedules", "Sch", row);
    EXPECT_EQ(readFile(path), store("<Sch><A>1</A><S>0</S><VS/><index>7</index></Sch>"));

    reader.addNode("NoSuchTable", "Sch", row);
    EXPECT_EQ(readFile(path), store("<Sch><A>1</A><S>0</S><VS/><index>7</index></Sch>"));

    // deleteNode removes only the first matching row.
    writeFile(path, store("<Sch><index>3</index><S>a</S></Sch><Sch><index>4</index></Sch>"
                          "<Sch><index>3</index><S>b</S></Sch>"));
    DataReader other(path, DataReader::STORAGE_TYPE_XML);
    other.deleteNode("Sch", "index", indexKey("3"));
    EXPECT_EQ(readFile(path), store("<Sch><index>4</index></Sch><Sch><index>3</index><S>b</S></Sch>"));
    other.deleteNode("Sch", "index", indexKey("5"));
    EXPECT_EQ(readFile(path), store("<Sch><index>4</index></Sch><Sch><index>3</index><S>b</S></Sch>"));
}

TEST_F(TableStore, ExternalEntitiesAreNotLoaded) {
    TempDir dir;
    const std::string secret = dir.file("secret.txt");
    writeFile(secret, "top secret");
    const std::string path = dir.file("db.xml");
    writeFile(path, "<?xml version=\"1.0\"?>\n<!DOCTYPE root [<!ENTITY x SYSTEM \"file://" + secret +
                        "\">]>\n<root><BGASchedules><Sch><index>1</index><SN>&x;</SN></Sch></BGASchedules></root>\n");
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});
    ASSERT_EQ(table->getRowCount(), 1u);
    EXPECT_FALSE(zdtest::contains(table->getRow(0)->getValueByName("SN"), "secret"));
}

TEST_F(TableStore, FailedSaveLeavesThePreviousFileIntact) {
    const std::string before = store("<Sch><index>1</index><S>0</S></Sch>");
    writeFile(path, before);
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    DataRow row;
    row.changeValue("index", "2");

    AtomicXmlFile::failWritesForTesting(1);
    reader.addNode("BGASchedules", "Sch", row);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"db.xml"});  // no temporary file left

    std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});
    table->getRow(0)->changeValue("S", "1");
    AtomicXmlFile::failWritesForTesting(1);
    table->flashData();
    EXPECT_EQ(readFile(path), before);

    reader.addNode("BGASchedules", "Sch", row);  // the next save goes through
    EXPECT_EQ(readFile(path), store("<Sch><index>1</index><S>0</S></Sch><Sch><index>2</index></Sch>"));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"db.xml"});
}

TEST_F(TableStore, SaveKeepsTheFileModeAndNeverWritesThroughASymlink) {
    writeFile(path, kEmptyStore);
    chmod(path.c_str(), 0640);
    DataRow row;
    row.changeValue("index", "1");
    {
        DataReader reader(path, DataReader::STORAGE_TYPE_XML);
        reader.addNode("BGASchedules", "Sch", row);
    }
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A link planted at the path: read through, never written through or replaced.
    const std::string target = dir.file("target.xml");
    const std::string link = dir.file("link.xml");
    writeFile(target, kEmptyStore);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    DataReader linked(link, DataReader::STORAGE_TYPE_XML);
    linked.addNode("BGASchedules", "Sch", row);
    linked.deleteNode("Sch", "index", indexKey("1"));
    EXPECT_EQ(readFile(target), kEmptyStore);
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A dangling link is not followed to create the file.
    const std::string dangling = dir.file("dangling.xml");
    const std::string nowhere = dir.file("nowhere.xml");
    ASSERT_EQ(symlink(nowhere.c_str(), dangling.c_str()), 0);
    DataReader danglingReader(dangling, DataReader::STORAGE_TYPE_XML);
    EXPECT_FALSE(zdtest::fileExists(nowhere));
}

// A file removed after the reader was built is an empty store: nothing is
// added to it and no document without its root is written in its place; the
// next reader creates the file afresh.
TEST_F(TableStore, VanishedFileIsNeverReplacedByARootlessDocument) {
    DataRow row;
    row.changeValue("index", "1");
    {
        DataReader reader(path, DataReader::STORAGE_TYPE_XML);
        std::unique_ptr<DataTable> table = reader.getTable("root/BGASchedules", {"index"});
        ASSERT_EQ(unlink(path.c_str()), 0);
        EXPECT_FALSE(reader.addNode("BGASchedules", "Sch", row));
        EXPECT_TRUE(reader.deleteNode("Sch", "index", indexKey("1")));  // nothing there to remove
        DataKey key = indexKey("1");
        EXPECT_FALSE(reader.updateData(table.get(), &key, &row));
        EXPECT_FALSE(zdtest::fileExists(path));
    }
    DataReader again(path, DataReader::STORAGE_TYPE_XML);
    EXPECT_TRUE(again.addNode("BGASchedules", "Sch", row));
    EXPECT_EQ(readFile(path), store("<Sch><index>1</index></Sch>"));

    // A file without the table takes no row either.
    writeFile(path, kDeclaration + "<root/>\n");
    EXPECT_FALSE(again.addNode("BGASchedules", "Sch", row));
    EXPECT_EQ(readFile(path), kDeclaration + "<root/>\n");
}

// A save replaces the file through a new one where the directory allows it;
// where only the file may be written it is rewritten in place, still never
// through a link.
TEST_F(TableStore, SavesInPlaceWhenOnlyTheFileIsWritable) {
    writeFile(path, kEmptyStore);
    DataRow first;
    first.changeValue("index", "1");
    const ino_t original = inodeOf(path);
    EXPECT_TRUE(DataReader(path, DataReader::STORAGE_TYPE_XML).addNode("BGASchedules", "Sch", first));
    EXPECT_NE(inodeOf(path), original);  // replaced

    chmod(path.c_str(), 0666);
    const ino_t replaced = inodeOf(path);
    DataRow second;
    second.changeValue("index", "2");
    EXPECT_TRUE(inClosedDirectory(dir.path(), [&] {
        return DataReader(path, DataReader::STORAGE_TYPE_XML).addNode("BGASchedules", "Sch", second);
    }));
    EXPECT_EQ(inodeOf(path), replaced);  // rewritten in place
    EXPECT_EQ(readFile(path), store("<Sch><index>1</index></Sch><Sch><index>2</index></Sch>"));
    EXPECT_TRUE(inClosedDirectory(dir.path(), [&] {
        return DataReader(path, DataReader::STORAGE_TYPE_XML).deleteNode("Sch", "index", indexKey("1"));
    }));
    EXPECT_EQ(readFile(path), store("<Sch><index>2</index></Sch>"));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"db.xml"});

    // A link in such a directory is still not written through.
    const std::string target = dir.file("target.xml");
    const std::string link = dir.file("link.xml");
    writeFile(target, kEmptyStore);
    chmod(target.c_str(), 0666);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_FALSE(inClosedDirectory(dir.path(), [&] {
        return DataReader(link, DataReader::STORAGE_TYPE_XML).addNode("BGASchedules", "Sch", second);
    }));
    EXPECT_EQ(readFile(target), kEmptyStore);
}

// A FIFO at the store's path is neither waited on nor replaced: it reads as
// an empty store and takes no row.
TEST_F(TableStore, FifoAtThePathIsAnEmptyStoreThatTakesNothing) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    DataReader reader(path, DataReader::STORAGE_TYPE_XML);
    EXPECT_EQ(reader.getTable("root/BGASchedules", {"index"})->getRowCount(), 0u);
    DataRow row;
    row.changeValue("index", "1");
    EXPECT_FALSE(reader.addNode("BGASchedules", "Sch", row));
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
