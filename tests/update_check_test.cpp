// The update check and the update download: the five-day rule, the
// update-information file, the shortcut's bytes, the download's file name,
// and whole runs against TLS servers on 127.0.0.1, down to the downloaded
// update really starting.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "shell/log.h"
#include "shell/main_window.h"
#include "shell/settings.h"
#include "support/loopback_http_server.h"
#include "support/temp_directory.h"
#include "ui/menu.h"
#include "ui/update_check.h"

namespace {

// Noon of that local date, whatever the time zone.
std::time_t LocalNoon(int year, int month, int day)
{
    std::tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace

TEST(UpdateCheck, DayNumbersDecideWhenTheNextCheckIsDue)
{
    EXPECT_FALSE(UpdateCheckDue(2024, 3, 1, 2024, 3, 6));
    EXPECT_TRUE(UpdateCheckDue(2024, 3, 1, 2024, 3, 7));
    EXPECT_TRUE(UpdateCheckDue(0, 0, 0, 2024, 3, 1));
    EXPECT_FALSE(UpdateCheckDue(2023, 12, 30, 2024, 1, 5));  // December counts 365, January 30
    EXPECT_TRUE(UpdateCheckDue(2023, 12, 30, 2024, 1, 6));
}

TEST(UpdateCheck, LinesGiveVersionAndTheirOwnUrl)
{
    double version = 0;
    std::string url;
    // Leading blanks go; the URL keeps its letter case and loses trailing blanks
    // (a carriage return included).
    EXPECT_TRUE(ParseUpdateLine(" \t 0.01 ,  HTTPS://Example.ORG/Get/Vesk-Setup.EXE \r", &version, &url));
    EXPECT_EQ(url, "HTTPS://Example.ORG/Get/Vesk-Setup.EXE");

    for (const char* skipped : {"0.01", ",x", "//0.01,x", "0.01,  \r"})
        EXPECT_FALSE(ParseUpdateLine(skipped, &version, &url)) << skipped;
    EXPECT_FALSE(ParseUpdateLine(std::string_view("0.01,a\0b", 8), &version, &url));

    // At most 4095 characters a line and 259 a version.
    const std::string longest = "0.01," + std::string(4090, 'u');
    EXPECT_TRUE(ParseUpdateLine(longest, &version, &url));
    EXPECT_FALSE(ParseUpdateLine(longest + "u", &version, &url));
}

TEST(UpdateCheck, FirstLineForThisVersionWins)
{
    EXPECT_EQ(FindUpdateUrl("// list\n0.02,a\n0.01\n0.0101,b\n0.01,c\n0.01,d\n"), "b");
    EXPECT_EQ(FindUpdateUrl("0.02,a\n0.03,b"), "");
    EXPECT_EQ(FindUpdateUrl("0.0102,a\r\n0.01,http://h/%41%20b.run"), "http://h/%41%20b.run");
}

TEST(UpdateCheck, ShortcutBytesAndTheNameTheDownloadIsSavedAs)
{
    EXPECT_EQ(InternetShortcutText("http://h/a%20b.run"), "[InternetShortcut]\nURL=http://h/a%20b.run");
    EXPECT_EQ(ShortcutUrl("[InternetShortcut]\r\nURL=http://h/x.run \r\n"), "http://h/x.run");

    EXPECT_EQ(UpdateFileNameFromUrl("https://h/get/vesk-0.02.run"), "vesk-0.02.run");
    EXPECT_EQ(UpdateFileNameFromUrl("https://h/"), "");

    EXPECT_TRUE(IsAcceptableUpdateFileName("vesk-setup"));
    for (const char* refused : {"", "..", "VESK", "Vesk.CFG", "autoupdate.url", kUpdateInfoFileName, "worlds",
                                "a\\b", "a\rb"})
        EXPECT_FALSE(IsAcceptableUpdateFileName(refused)) << refused;
}

TEST(UpdateCheck, WriteCallbackAppendsExactlyTheBytesReceived)
{
    std::string text;
    char chunk[] = {'a', 'b', '\0', 'c', 'd', '\0'};
    EXPECT_EQ(UpdateInfoWrite(chunk, 1, 6, &text), 6u);
    EXPECT_EQ(UpdateInfoWrite(chunk, 3, 2, &text), 6u);
    EXPECT_EQ(UpdateInfoWrite(chunk, 1, 0, &text), 0u);
    EXPECT_EQ(text, std::string(chunk, 6) + std::string(chunk, 6));
    // A text that would grow past its bound ends the transfer.
    std::string big(kMaxUpdateInfoBytes - 2, 'x');
    EXPECT_EQ(UpdateInfoWrite(chunk, 1, 6, &big), 0u);
    EXPECT_EQ(big.size(), kMaxUpdateInfoBytes - 2);
}

namespace {

// An update that, once started, leaves "marker" in its working folder: its
// own path, its argument count and that folder. The rename keeps the test
// from reading it half-written.
const std::string kMarkerScript =
    "#!/bin/sh\nprintf '%s\\n%s\\n%s\\n' \"$0\" \"$#\" \"$(pwd -P)\" > marker.tmp && mv marker.tmp marker\n";

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        // libcurl would send even loopback requests through a proxy the CI sets.
        setenv("no_proxy", "127.0.0.1", 1);
        ResetStartupSetup();
        ResetLog();
        Today(2024, 3, 7);
        Settings.lastUpdateYear = 2024;
        Settings.lastUpdateMonth = 3;
        Settings.lastUpdateDay = 1;
        SetUpdateServerForTesting(server.Address().c_str());
        SetUpdateCertificateForTesting(server.CertificatePem());
        Running = 1;
    }
    void TearDown() override
    {
        SetUpdateServerForTesting(nullptr);
        SetUpdateCertificateForTesting("");
        SetUpdateTimeoutForTesting(0);
        SetUpdateDownloadLimitForTesting(0);
        platform::SetTimeSource({});
        ResetStartupSetup();
        Running = 1;
    }
    static void Today(int year, int month, int day)
    {
        const std::time_t noon = LocalNoon(year, month, day);
        platform::SetTimeSource([noon] { return noon; });
    }
    std::string InfoPath() const { return std::string("/autoupdate/") + kUpdateInfoFileName; }
    std::string Log() const { return folder.Read("game.log"); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(folder.File(name)); }

    // The main menu's button with a shortcut pointing at `url`.
    int Download(const std::string& url)
    {
        folder.Write("autoupdate.url", InternetShortcutText(url));
        return menu.DownloadAndUpdate();
    }
    // A download that must fail: nothing kept under its name, the program
    // still running (it closes only once an update started), and the
    // message shown says `why`.
    void ExpectRefused(const std::string& url, const std::string& why)
    {
        SCOPED_TRACE(url);
        const std::string name = UpdateFileNameFromUrl(url);
        EXPECT_EQ(Download(url), 0);
        EXPECT_FALSE(Exists(name));
        EXPECT_FALSE(Exists(name + ".tmp"));
        EXPECT_EQ(Running, 1);
        EXPECT_NE(platform::LastMessageBoxText().find(why), std::string::npos) << platform::LastMessageBoxText();
    }
    // What the started update wrote, once it has (up to ten seconds).
    std::string WaitForMarker() const
    {
        for (int tries = 0; tries < 1000 && !Exists("marker"); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return Exists("marker") ? folder.Read("marker") : std::string("(no marker)");
    }
    std::string MarkerOf(const std::string& name) const
    {
        return folder.File(name) + "\n0\n" + std::filesystem::canonical(folder.Path()).string() + "\n";
    }

    LoopbackHttpServer server;
    TempDirectory folder;
    ScopedStartDirectory start {folder.Path()};
    CMenu menu;
};

}  // namespace

TEST_F(UpdateRun, CheckWritesTheShortcutAndTheDownloadedUpdateStarts)
{
    const std::string updateUrl = server.Address() + "/Files/Vesk-Update.RUN";
    const std::string info = "// versions\n0.02," + server.Address() + "/other.run\n  0.01 , " + updateUrl + " \r\n";
    server.Serve(InfoPath(), info);
    // Bytes after the script's end are kept as they are, zero bytes included.
    const std::string program = kMarkerScript + "exit 0\n" + std::string("\0\xff", 2);
    server.Serve("/Files/Vesk-Update.RUN", program);

    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 1);
    EXPECT_EQ(Settings.lastUpdateDay, 7);
    EXPECT_EQ(folder.Read(kUpdateInfoFileName), info);
    EXPECT_EQ(folder.Read("autoupdate.url"), "[InternetShortcut]\nURL=" + updateUrl);

    std::string before;
    platform::GetCurrentDirectory(before);
    EXPECT_EQ(menu.DownloadAndUpdate(), 1);
    EXPECT_EQ(folder.Read("Vesk-Update.RUN"), program);
    const auto permissions = std::filesystem::status(folder.File("Vesk-Update.RUN")).permissions();
    EXPECT_NE(permissions & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
    // Started in the start directory, under its full path, with no arguments.
    EXPECT_EQ(WaitForMarker(), MarkerOf("Vesk-Update.RUN"));
    std::string after;
    platform::GetCurrentDirectory(after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Running, 0);  // the window was closed
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string> {InfoPath(), "/Files/Vesk-Update.RUN"}));
}

TEST_F(UpdateRun, NoRequestWithinFiveDaysNorWithoutAServer)
{
    server.Serve(InfoPath(), "0.01," + server.Address() + "/u.run\n");
    Today(2024, 3, 6);
    menu.updateAvailable = 1;
    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 0);
    EXPECT_TRUE(server.RequestedPaths().empty());
    EXPECT_EQ(Settings.lastUpdateDay, 1);

    Today(2024, 3, 8);
    SetUpdateServerForTesting("");
    menu.CheckForUpdate();
    EXPECT_TRUE(server.RequestedPaths().empty());
    EXPECT_EQ(Settings.lastUpdateDay, 1);  // not counted as checked
    EXPECT_NE(Log().find("no update server"), std::string::npos);

    // Never checked before: always a request.
    SetUpdateServerForTesting(server.Address().c_str());
    Settings.lastUpdateYear = Settings.lastUpdateMonth = Settings.lastUpdateDay = 0;
    Today(2024, 3, 2);
    menu.CheckForUpdate();
    EXPECT_EQ(server.RequestedPaths().size(), 1u);
    EXPECT_EQ(menu.updateAvailable, 1);
}

TEST_F(UpdateRun, FailedEmptyOrSilentAnswersLeaveNoShortcutButCountAsChecked)
{
    menu.CheckForUpdate();  // 404
    EXPECT_EQ(menu.updateAvailable, 0);
    EXPECT_EQ(Settings.lastUpdateDay, 7);
    EXPECT_FALSE(Exists("autoupdate.url"));
    EXPECT_FALSE(Exists(kUpdateInfoFileName));
    EXPECT_NE(Log().find("Error: CMenu::CheckForUpdate()"), std::string::npos);

    Settings.lastUpdateDay = 1;
    server.Serve(InfoPath(), "0.02,https://h/u.run\n");
    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 0);
    EXPECT_FALSE(Exists("autoupdate.url"));
    EXPECT_TRUE(Exists(kUpdateInfoFileName));

    // A server that never answers times out.
    Settings.lastUpdateDay = 1;
    server.StaySilent(true);
    SetUpdateTimeoutForTesting(1);
    const size_t logged = Log().size();
    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 0);
    EXPECT_EQ(Settings.lastUpdateDay, 7);
    EXPECT_NE(Log().find("Error: CMenu::CheckForUpdate()", logged), std::string::npos);
}

TEST_F(UpdateRun, OnlyVerifiedHttpsIsUsed)
{
    // A certificate nobody vouches for.
    server.Serve(InfoPath(), "0.01," + server.Address() + "/u.run\n");
    SetUpdateCertificateForTesting("");
    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 0);
    EXPECT_FALSE(Exists(kUpdateInfoFileName));
    EXPECT_NE(Log().find("certificate"), std::string::npos) << Log();

    // Plain http: neither the check nor the download goes out.
    LoopbackHttpServer plain(LoopbackHttpServer::PlainHttp);
    plain.Serve(InfoPath(), "0.01," + plain.Address() + "/u.run\n");
    plain.Serve("/u.run", kMarkerScript);
    SetUpdateServerForTesting(plain.Address().c_str());
    Settings.lastUpdateDay = 1;
    menu.CheckForUpdate();
    EXPECT_EQ(menu.updateAvailable, 0);
    ExpectRefused(plain.Address() + "/u.run", "refused update address");
    ExpectRefused("HTTP://127.0.0.1:1/u.run", "refused update address");
    EXPECT_TRUE(plain.RequestedPaths().empty());
}

TEST_F(UpdateRun, RefusedNamesAndFailuresAreReportedAndTheProgramKeepsRunning)
{
    // No shortcut at all.
    EXPECT_EQ(menu.DownloadAndUpdate(), 0);
    EXPECT_NE(platform::LastMessageBoxText().find("autoupdate.url"), std::string::npos);

    // Names of the program's own files, or no name, are never downloaded.
    folder.Write("vesk.cfg", "settings");
    for (const std::string& url : {server.Address() + "/vesk.cfg", server.Address() + "/..", std::string("nothing")}) {
        EXPECT_EQ(Download(url), 0) << url;
        EXPECT_NE(platform::LastMessageBoxText().find("refused update address"), std::string::npos) << url;
    }
    EXPECT_TRUE(server.RequestedPaths().empty());
    EXPECT_EQ(folder.Read("vesk.cfg"), "settings");

    // A file that cannot be created is not downloaded into.
    folder.MakeFolder("blocked.run.tmp");
    EXPECT_EQ(Download(server.Address() + "/blocked.run"), 0);
    EXPECT_TRUE(server.RequestedPaths().empty());

    ExpectRefused(server.Address() + "/missing.run", "404");

    // A downloaded file the system cannot run is reported.
    server.Serve("/update.run", "data");
    EXPECT_EQ(Download(server.Address() + "/update.run"), 0);
    EXPECT_NE(platform::LastMessageBoxText().find("cannot start"), std::string::npos);
    EXPECT_NE(Log().find("Error: CMenu::DownloadAndUpdate() cannot start"), std::string::npos);
    EXPECT_EQ(folder.Read("update.run"), "data");
    EXPECT_EQ(Running, 1);
}

TEST_F(UpdateRun, RedirectsAreFewAndStayOnHttps)
{
    // /r6 -> /r5 -> ... -> /r1 -> the update.
    server.Serve("/update.run", kMarkerScript);
    for (int hop = 1; hop <= 6; ++hop)
        server.Redirect("/r" + std::to_string(hop),
                        server.Address() + (hop == 1 ? "/update.run" : "/r" + std::to_string(hop - 1)));
    EXPECT_EQ(Download(server.Address() + "/r5"), 1);
    EXPECT_EQ(folder.Read("r5"), kMarkerScript);
    EXPECT_EQ(WaitForMarker(), MarkerOf("r5"));
    Running = 1;

    ExpectRefused(server.Address() + "/r6", "redirects");
    server.Redirect("/loop", server.Address() + "/loop");
    ExpectRefused(server.Address() + "/loop", "redirects");

    LoopbackHttpServer plain(LoopbackHttpServer::PlainHttp);
    plain.Serve("/update.run", kMarkerScript);
    server.Redirect("/to-http", plain.Address() + "/update.run");
    ExpectRefused(server.Address() + "/to-http", "failed");
    EXPECT_TRUE(plain.RequestedPaths().empty());

    // A redirect without an address is an answer, but not the update.
    server.Serve("/nowhere", "moved, but not saying where", 302);
    ExpectRefused(server.Address() + "/nowhere", "answered 302");
}

TEST_F(UpdateRun, DownloadStopsAtTheSizeLimit)
{
    SetUpdateDownloadLimitForTesting(4096);
    // An announced size over the limit is refused before any body arrives.
    server.ServeAnnouncing("/announced.run", "#", 4097);
    ExpectRefused(server.Address() + "/announced.run", "larger than 4096 bytes");
    server.ServeUnannounced("/unannounced.run", std::string(4097, '#'));
    ExpectRefused(server.Address() + "/unannounced.run", "larger than 4096 bytes");

    // Exactly the limit is fine.
    const std::string padded = kMarkerScript + std::string(4096 - kMarkerScript.size() - 1, '#') + "\n";
    server.ServeUnannounced("/limit.run", padded);
    EXPECT_EQ(Download(server.Address() + "/limit.run"), 1);
    EXPECT_EQ(WaitForMarker(), MarkerOf("limit.run"));
}
