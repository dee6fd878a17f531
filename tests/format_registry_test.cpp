// The trace formats' table: which file names find which format, and the dialogs' texts.

#include <gtest/gtest.h>

#include <clocale>

#include "framework/core/AsciiText.h"
#include "framework/core/FileNames.h"
#include "trace/formats/FormatRegistry.h"

TEST(FormatRegistry, TheFileNamesExtensionFindsTheFormatInAnyCase) {
    const auto id = [](const char* path) {
        const CTraceFormat* format = TraceFormatOf(path);
        return format == nullptr ? -1 : static_cast<int>(format->id);
    };
    EXPECT_EQ(id("a.txt"), static_cast<int>(TraceFormatId::text));
    EXPECT_EQ(id("/x/A.TxT"), static_cast<int>(TraceFormatId::text));
    EXPECT_EQ(id("b.OSC"), static_cast<int>(TraceFormatId::capture));
    EXPECT_EQ(id("c.Csv"), static_cast<int>(TraceFormatId::csv));
    EXPECT_EQ(id("d.TSV"), static_cast<int>(TraceFormatId::tsv));
    // Only the file name's own extension counts, never a folder's, and only ASCII letters fold.
    for (const char* none : {"noext", "a.txt.bak", "a.", "dir.txt/noext", "dir.txt/", ".txt/a",
                             "a.t\xC3\x97t", "a.txt "})
        EXPECT_EQ(id(none), -1) << none;
    EXPECT_EQ(id(".txt"), static_cast<int>(TraceFormatId::text));  // a hidden file named so
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    EXPECT_EQ(id("E.TXT"), static_cast<int>(TraceFormatId::text));
    std::setlocale(LC_ALL, "C");

    EXPECT_TRUE(EqualsIgnoringAsciiCase("AZaz09.", "azAZ09."));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));  // É and é are not ASCII
    EXPECT_FALSE(ExtensionOf("folder.d/name"));
    EXPECT_EQ(ExtensionOf("folder/name."), std::optional<std::string_view>(""));
}

TEST(FormatRegistry, TheDialogsListTheFormatsAsBefore) {
    EXPECT_EQ(SaveFilter(),
              "OSC Files (*.osc)|*.osc|TEXT Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv||");
    EXPECT_EQ(DefaultSaveExtension(), "osc");
    EXPECT_EQ(OpenPatterns(), "*.txt *.osc *.csv *.tsv *.wav *.wave");
    EXPECT_EQ(TraceFormat(TraceFormatId::tsv).write, nullptr);  // read, never written
}
