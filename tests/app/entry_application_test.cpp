#include "app/entry_application.h"

#include "support/error_box_recorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(EntryApplication, AnErrorEscapingAHandlerIsReportedAndTheProgramCarriesOn) {
    ErrorBoxRecorder errors;
    EXPECT_FALSE(
        app::deliverReportingErrors([]() -> bool { throw std::runtime_error("Stream-Schreibfehler"); }));
    EXPECT_FALSE(app::deliverReportingErrors([]() -> bool { throw std::runtime_error("Done."); }));
    EXPECT_FALSE(app::deliverReportingErrors([]() -> bool { throw 42; }));
    EXPECT_TRUE(app::deliverReportingErrors([] { return true; }));
    ASSERT_EQ(errors.count(), 3);
    EXPECT_EQ(errors.titles(), QStringList({"Torvik Master", "Torvik Master", "Torvik Master"}));
    EXPECT_EQ(errors.texts().at(0), "Stream-Schreibfehler.");
    EXPECT_EQ(errors.texts().at(1), "Done.");
    EXPECT_FALSE(errors.texts().at(2).isEmpty());
}

}  // namespace
