// Message model: printing answers and reading requests in the XML text form.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>
#include <vector>

#include "middle/ArrayField.h"
#include "middle/SingleField.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

namespace {

// A field that counts its destructions.
class CountedField : public FieldMiddle {
public:
    explicit CountedField(int& destroyed) : m_destroyed(destroyed) {}
    ~CountedField() override { ++m_destroyed; }
    void addInNode(TiXmlElement* parent) override { parent->LinkEndChild(new TiXmlText("counted")); }

private:
    int& m_destroyed;
};

// The single structure read from a request, or nullptr.
StructMiddle* readOne(XMLMiddle& document, const std::string& text) {
    document.fromStructString(text);
    return document.getStructs().size() == 1 ? document.getStructs().front() : nullptr;
}

}  // namespace

TEST(MiddlePrint, FieldsInByteOrderAndDocumentShapes) {
    StructMiddle pd("PD");
    pd.addSingle("Name", "disk one");
    pd.addSingle("ID", "3");
    pd.addSingle("alias", "");
    pd.addSingle("Zone", "a&b<c>\"d'");
    pd.addArray("Params", "Param", {"0", "7"});
    pd.addArray("Slots", "Slot", {"x", "y", "z"}, true);
    pd.addArray("Empty", "Item", {});
    EXPECT_EQ("<PD><Empty /><ID>3</ID><Name>disk one</Name><Params><Param>0</Param><Param>7</Param></Params>"
              "<Slots><Slot index=\"0\">x</Slot><Slot index=\"1\">y</Slot><Slot index=\"2\">z</Slot></Slots>"
              "<Zone>a&amp;b&lt;c&gt;&quot;d&apos;</Zone><alias></alias></PD>",
              pd.toString());

    StructMiddle empty("Nothing");
    EXPECT_EQ("<Nothing />", empty.toString());

    XMLMiddle unnamed;
    EXPECT_EQ("", unnamed.toString());
    unnamed.addStruct("Adapter")->addSingle("Percentage", "40");
    EXPECT_EQ("<Adapter><Percentage>40</Percentage></Adapter>", unnamed.toString());
    unnamed.addStruct("Adapter");
    EXPECT_EQ("", unnamed.toString());

    XMLMiddle list("Buzzers");
    EXPECT_EQ("<Buzzers />", list.toString());
    list.addStruct("Buzzer")->addSingle("ID", "1");
    list.addStruct("Buzzer")->addSingle("ID", "0");
    list.addStruct("Buzzer");
    EXPECT_EQ("<Buzzers><Buzzer><ID>1</ID></Buzzer><Buzzer><ID>0</ID></Buzzer><Buzzer /></Buzzers>", list.toString());
    EXPECT_EQ("Buzzers", list.getFunction());
    EXPECT_EQ(3u, list.getStructs().size());
}

TEST(MiddleModel, FirstFieldWinsAndRefusedFieldsAreDestroyed) {
    int destroyed = 0;
    {
        StructMiddle s("S");
        s.addSingle("A", "first");
        s.addField("A", new CountedField(destroyed));
        EXPECT_EQ(1, destroyed);
        s.addArray("A", "Item", {"x"});
        ASSERT_NE(nullptr, s.findSingle("A"));
        EXPECT_EQ("first", *s.findSingle("A"));
        EXPECT_EQ(nullptr, s.findArray("A"));
        s.addField("B", new CountedField(destroyed));
        EXPECT_EQ("<S><A>first</A><B>counted</B></S>", s.toString());
        EXPECT_EQ(nullptr, s.findSingle("B"));
        EXPECT_EQ(nullptr, s.findSingle("C"));
    }
    EXPECT_EQ(2, destroyed);
}

TEST(MiddleRead, ParametersAndLists) {
    XMLMiddle document;
    StructMiddle* request = readOne(document,
                                    "<CreatePackageVD>\n"
                                    "  <Name>  my \t\n  array  </Name>\n"
                                    "  <RAID>5</RAID>\n"
                                    "  <Empty></Empty><Blank>   \n </Blank><Short/>\n"
                                    "  <Disks><Disk>3</Disk><Other>1</Other><Disk>2</Disk></Disks>\n"
                                    "  <RAID>6</RAID>\n"
                                    "  <Amp>a &amp; b</Amp>\n"
                                    "</CreatePackageVD>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("CreatePackageVD", document.getFunction());
    EXPECT_EQ("CreatePackageVD", request->getName());
    ASSERT_NE(nullptr, request->findSingle("Name"));
    EXPECT_EQ("my array", *request->findSingle("Name"));
    ASSERT_NE(nullptr, request->findSingle("RAID"));
    EXPECT_EQ("5", *request->findSingle("RAID"));
    EXPECT_EQ("a & b", *request->findSingle("Amp"));
    EXPECT_EQ(nullptr, request->findSingle("Empty"));
    EXPECT_EQ(nullptr, request->findSingle("Blank"));
    EXPECT_EQ(nullptr, request->findSingle("Short"));
    ASSERT_NE(nullptr, request->findArray("Disks"));
    EXPECT_EQ((std::vector<std::string>{"3", "1", "2"}), *request->findArray("Disks"));
    auto* disks = dynamic_cast<const ArrayField*>(request->findField("Disks"));
    ASSERT_NE(nullptr, disks);
    EXPECT_EQ("Disk", disks->getName());
    EXPECT_FALSE(disks->hasIndex());
    EXPECT_EQ(4u, request->fieldCount());

    // Printed back: byte-wise field order, list items renamed after the first.
    EXPECT_EQ("<CreatePackageVD><Amp>a &amp; b</Amp><Disks><Disk>3</Disk><Disk>1</Disk><Disk>2</Disk></Disks>"
              "<Name>my array</Name><RAID>5</RAID></CreatePackageVD>",
              request->toString());

    // Indexed lists take the flag from the first item.
    XMLMiddle indexed;
    request = readOne(indexed, "<Cmd><Params><P index=\"7\">b</P><Q>a</Q><P index=\"0\">c</P></Params></Cmd>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("<Cmd><Params><P index=\"0\">b</P><P index=\"1\">a</P><P index=\"2\">c</P></Params></Cmd>",
              request->toString());

    XMLMiddle later;
    request = readOne(later, "<Cmd><Params><P>b</P><P index=\"1\">a</P></Params></Cmd>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("<Cmd><Params><P>b</P><P>a</P></Params></Cmd>", request->toString());

    // Only the first root is read.
    XMLMiddle twoRoots;
    request = readOne(twoRoots, "<?xml version=\"1.0\"?><!-- c --><First><A>1</A></First><Second/>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("First", twoRoots.getFunction());
    EXPECT_EQ("<First><First><A>1</A></First></First>", twoRoots.toString());
}

TEST(MiddleRead, OddInputIsSkippedNeverFatal) {
    XMLMiddle none;
    none.fromStructString("");
    EXPECT_EQ("", none.getFunction());
    EXPECT_TRUE(none.getStructs().empty());
    EXPECT_EQ("", none.toString());

    XMLMiddle garbage;
    garbage.fromStructString("not xml at all <<<>>>");
    EXPECT_TRUE(garbage.getStructs().empty());

    XMLMiddle onlyComment;
    onlyComment.fromStructString("<!-- nothing --><?xml version=\"1.0\"?>");
    EXPECT_TRUE(onlyComment.getStructs().empty());

    // Items without text are left out; a parameter starting with a comment is skipped.
    XMLMiddle odd;
    StructMiddle* request = readOne(odd,
                                    "<Cmd>loose text<A><!-- c -->5</A>"
                                    "<List><I/><I>1</I><I><J>2</J></I><!-- c --><I>3</I></List>"
                                    "<Nested><X><Y><Z>deep</Z></Y></X></Nested></Cmd>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ(nullptr, request->findSingle("A"));
    ASSERT_NE(nullptr, request->findArray("List"));
    EXPECT_EQ((std::vector<std::string>{"1", "3"}), *request->findArray("List"));
    ASSERT_NE(nullptr, request->findArray("Nested"));
    EXPECT_TRUE(request->findArray("Nested")->empty());
    EXPECT_EQ("<Cmd><List><I>1</I><I>3</I></List><Nested /></Cmd>", request->toString());

    // An unfinished document is used as far as it was read.
    XMLMiddle cut;
    request = readOne(cut, "<Cmd><A>1</A><B>2</B><C>");
    ASSERT_NE(nullptr, request);
    EXPECT_EQ("Cmd", cut.getFunction());
    ASSERT_NE(nullptr, request->findSingle("B"));
    EXPECT_EQ("2", *request->findSingle("B"));

    // Nesting far deeper than any request is refused instead of exhausting the stack.
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<a>";
    XMLMiddle tooDeep;
    tooDeep.fromStructString(deep);
    EXPECT_TRUE(tooDeep.getStructs().empty());
    // Nesting within the limit is read as usual.
    std::string nested = "<Cmd><P>";
    for (int i = 0; i < 1500; ++i) nested += "<a>";
    nested += "x";
    for (int i = 0; i < 1500; ++i) nested += "</a>";
    nested += "</P><Q>1</Q></Cmd>";
    XMLMiddle withinLimit;
    request = readOne(withinLimit, nested);
    ASSERT_NE(nullptr, request);
    ASSERT_NE(nullptr, request->findArray("P"));
    EXPECT_TRUE(request->findArray("P")->empty());
    EXPECT_EQ("1", *request->findSingle("Q"));

    // So is a text with more elements than any request holds.
    std::string wide = "<Cmd><P>";
    for (int i = 0; i < 100000; ++i) wide += "<a x='1'/>";
    XMLMiddle tooMany;
    tooMany.fromStructString(wide);
    EXPECT_TRUE(tooMany.getStructs().empty());

    // White space is condensed in texts read (the library default is kept).
    EXPECT_TRUE(TiXmlBase::IsWhiteSpaceCondensed());
}
