#include "gui_program.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

void GuiProgramTest::SetUp()
{
    if (access(GUI_PROGRAM, X_OK) != 0)
        GTEST_SKIP() << GUI_PROGRAM << " is not built";
    server_ = std::make_unique<XvfbServer>();
    if (!server_->ok())
        GTEST_SKIP() << "no X server for the test: " << server_->error();
    x_ = std::make_unique<XSession>(server_->display());
    ASSERT_TRUE(x_->ok());
    data_.write("qorvel.def",
                "qorvel_hostname 10.77.0.1\n"
                "qorvel_netmask 255.255.255.0\n"
                "qorvel_name_resolving off\n");
}

void GuiProgramTest::TearDown()
{
    if (HasFailure() && x_ && x_->ok())
        shot("at-failure");
    if (program_ > 0 && net_)
        net_->stop(program_);
    peers_.clear();
    x_.reset();
    server_.reset();
}

TestNetwork& GuiProgramTest::net()
{
    if (!net_)
        net_ = std::make_unique<TestNetwork>(2);
    return *net_;
}

PeerProcess* GuiProgramTest::start_peer(int ns, const std::vector<SimRouter>& routers)
{
    peers_.emplace_back(new PeerProcess(net(), net().router(ns), routers));
    if (!peers_.back()->start()) {
        ADD_FAILURE() << "router-peer: " << peers_.back()->error();
        return nullptr;
    }
    return peers_.back().get();
}

void GuiProgramTest::start_program(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {GUI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    SpawnOptions options;
    options.env = {"DISPLAY=" + server_->display(), "QORVEL_PATH=" + data_.path()};
    options.cwd = data_.path();
    const int stderr_fd =
        open(data_.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    options.stderr_fd = stderr_fd;
    program_ = net().spawn(net().workstation(), argv, options);
    if (stderr_fd >= 0)
        close(stderr_fd);
    ASSERT_GT(program_, 0) << net().error();
}

int GuiProgramTest::wait_exit(int timeout_ms)
{
    const int status = net().wait(program_, timeout_ms);
    if (status >= 0)
        program_ = -1;
    return status;
}

std::string GuiProgramTest::standard_error() const
{
    return data_.read("stderr");
}

bool GuiProgramTest::wait_scan_end()
{
    return x_->wait_window(GUI_NOTICE_TITLE, nullptr, GUI_STEP_MS) &&
           x_->wait_gone(GUI_NOTICE_TITLE, GUI_SCAN_END_MS);
}

bool GuiProgramTest::shot(const std::string& what)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return x_->screenshot(std::string(GUI_ARTIFACTS) + "/" + test->test_suite_name() + "." +
                          test->name() + "-" + what + ".png");
}

SimLine gui_x75_line(int index, const std::string& host, const std::string& phone)
{
    SimLine l = sim_line(index, host, phone);
    l.l2 = 1;
    l.blocksize = 1500;
    l.addr_a = 3;
    l.addr_b = 1;
    l.modulo = 8;
    l.window = 7;
    l.l3 = 4;
    l.byte = 8;
    l.timeout = 20;
    return l;
}
