// The pseudo-terminal driver itself: the terminal is the child's /dev/tty,
// standard output and standard error arrive apart, the echo state is seen.
#include <gtest/gtest.h>

#include "pty_session.h"

TEST(PtySession, TerminalIsDevTtyAndStreamsStayApart)
{
    PtySession s;
    ASSERT_TRUE(s.start(
        {"/bin/sh", "-c",
         "printf 'ask --> ' >&2; read x < /dev/tty; echo \"got $x\"; echo oops >&2; exit 3"}));
    ASSERT_TRUE(s.wait_for(PtySession::ERR, "ask --> ", 5000));
    ASSERT_TRUE(s.type("hello"));
    EXPECT_EQ(s.wait_exit(5000), 3);
    EXPECT_EQ(s.out(), "got hello\n");
    EXPECT_EQ(s.err(), "ask --> oops\n");
    EXPECT_NE(s.tty().find("hello"), std::string::npos) << "typed text is echoed by the terminal";
}

TEST(PtySession, SeesHiddenInput)
{
    PtySession s;
    ASSERT_TRUE(s.start(
        {"/bin/sh", "-c", "stty -echo < /dev/tty; echo off; read x < /dev/tty; echo \"[$x]\""}));
    ASSERT_TRUE(s.wait_for(PtySession::OUT, "off\n", 5000));
    EXPECT_EQ(s.echo_on(), 0);
    ASSERT_TRUE(s.type("secret"));
    EXPECT_EQ(s.wait_exit(5000), 0);
    EXPECT_EQ(s.out(), "off\n[secret]\n");
    EXPECT_EQ(s.tty().find("secret"), std::string::npos);
}

TEST(PtySession, WaitsAreBounded)
{
    PtySession s;
    ASSERT_TRUE(s.start({"/bin/sleep", "30"}));
    EXPECT_FALSE(s.wait_for(PtySession::OUT, "never", 200));
    EXPECT_EQ(s.wait_exit(200), -1);
    s.signal(SIGTERM);
    EXPECT_EQ(s.wait_exit(5000), 128 + SIGTERM);
}
