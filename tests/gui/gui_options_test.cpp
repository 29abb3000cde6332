#include "gui_options.h"

#include <gtest/gtest.h>

namespace wf::gui {
namespace {

TEST(GuiOptions, DefaultsAndBothValueForms) {
  const GuiOptions none = ParseGuiOptions({});
  EXPECT_TRUE(none.error.empty());
  EXPECT_FALSE(none.data_dir.has_value());
  EXPECT_EQ(none.api_base, "");  // the saved API host, or the default, applies
  EXPECT_TRUE(none.ca_file.empty());

  const GuiOptions o = ParseGuiOptions(
      {"--data-dir", "/tmp/a b", "--api=http://127.0.0.1:8080/", "--cacert", "c.pem"});
  ASSERT_TRUE(o.error.empty()) << o.error;
  EXPECT_EQ(o.data_dir, "/tmp/a b");
  // A trailing slash would double the one the resource paths start with.
  EXPECT_EQ(o.api_base, "http://127.0.0.1:8080");
  EXPECT_EQ(o.ca_file, "c.pem");
}

TEST(GuiOptions, RefusesWhatItCannotUse) {
  EXPECT_NE(ParseGuiOptions({"--bogus"}).error, "");
  EXPECT_NE(ParseGuiOptions({"--data-dir"}).error, "");
  EXPECT_NE(ParseGuiOptions({"--data-dir="}).error, "");
  EXPECT_NE(ParseGuiOptions({"--api", "ftp://host"}).error, "");
  EXPECT_NE(ParseGuiOptions({"stray"}).error, "");
}

TEST(GuiOptions, HelpAndVersion) {
  EXPECT_TRUE(ParseGuiOptions({"--help"}).help);
  EXPECT_TRUE(ParseGuiOptions({"--version"}).version);
  EXPECT_EQ(GuiVersionText(), "wrenfold 1.4.0\n");
  for (const char* option : {"--data-dir", "--api", "--cacert", "--help", "--version"}) {
    EXPECT_NE(GuiUsage().find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace wf::gui
