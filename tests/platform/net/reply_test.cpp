// Web API client: pair swap, Base64, reply reading, unscrambling, digests and request URLs.
#include "Endpoints.h"
#include "ServiceApi.h"
#include "WebReply.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace zuvi::net;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// The service's scrambling: Base64, then the pair swap.
QString scramble(const QByteArray& json) { return SwapCharPairs(QString::fromLatin1(json.toBase64())); }

} // namespace

TEST(SwapCharPairs, Table)
{
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"a", "a"},
        {"ab", "ba"},
        {"abc", "bac"},
        {"abcd", "badc"},
        {"abcde", "badce"},
        {"张三李", "三张李"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwapCharPairs(u(c.in)), u(c.out)) << c.in;
    // UTF-16 units, not characters: a surrogate pair is split like any two units.
    const QString pair = QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(SwapCharPairs(pair), QString(pair[1]) + pair[0]);
}

TEST(DecodeMimeBase64, Leniency)
{
    struct {
        const char* in;
        QByteArray out;
    } cases[] = {
        {"", ""},
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"TWFuTQ", "Man"}, // length cut to a multiple of four
        {"TWFuTQ==x", "ManM"}, // the cut drops the stray character, then "==" counts
        {"TW=u", "M`."}, // "=" inside counts as zero bits
        {"T*Fu", QByteArray("L\x01n", 3)}, // other characters count as zero bits, no error
        {"abc", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeMimeBase64(u(c.in)), c.out) << c.in;
}

TEST(ReadReply, JsonOrNot)
{
    EXPECT_TRUE(readReply(QByteArray(R"({"ret":0})")).isJson());
    EXPECT_FALSE(readReply(QByteArray("<html></html>")).isJson());
    EXPECT_FALSE(readReply(QByteArray()).isJson());
    EXPECT_EQ(readReply(QByteArray("<html>")).kind(), Reply::Kind::NotJson);
}

TEST(ReadReply, RetLookup)
{
    struct {
        const char* body;
        int ret;
    } cases[] = {
        {R"({"ret":0})", 0},
        {R"({"ret":3})", 3},
        {R"({"RET":0})", 0}, // key letter case ignored
        {R"({"Ret":5,"ret":0})", 5}, // first match wins
        {R"({})", -1}, // missing
        {R"({"rd":"x"})", -1},
        {R"({"ret":"0"})", -1}, // not a number
        {R"([1,2])", -1},
        // Only an exact integer in int's range counts.
        {R"({"ret":0.7})", -1},
        {R"({"ret":-0.5})", -1},
        {R"({"ret":1e300})", -1},
        {R"({"ret":-3e9})", -1},
        {R"({"ret":2.0})", 2},
        {R"({"ret":0e5})", 0},
        {R"({"ret":-1})", -1},
        {R"({"ret":true})", -1},
        {R"({"ret":null})", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readReply(QByteArray(c.body)).ret(), c.ret) << c.body;
}

TEST(ReadReply, PayloadOfTheWrongKindIsARefusal)
{
    struct {
        const char* body;
        const char* key;
        Payload kind;
        int ret;
    } cases[] = {
        {R"({"ret":0,"rd":{"vos_ip":"x"}})", "rd", Payload::Object, 0},
        {R"({"ret":0,"rd":{}})", "rd", Payload::Object, 0},
        {R"({"ret":0,"rd":5})", "rd", Payload::Object, -1},
        {R"({"ret":0,"rd":[{"vos_ip":"x"}]})", "rd", Payload::Object, -1},
        {R"({"ret":0,"rd":"x"})", "rd", Payload::Object, -1},
        {R"({"ret":0,"rd":null})", "rd", Payload::Object, -1},
        {R"({"ret":0})", "rd", Payload::Object, -1},
        {R"({"ret":0,"RD":"abc"})", "rd", Payload::String, 0}, // key letter case ignored
        {R"({"ret":0,"rd":""})", "rd", Payload::String, 0},
        {R"({"ret":0,"rd":12345678})", "rd", Payload::String, -1},
        {R"({"ret":0,"rd":{"a":"b"}})", "rd", Payload::String, -1},
        {R"({"ret":0,"c":[]})", "c", Payload::Array, 0},
        {R"({"ret":0,"c":{}})", "c", Payload::Array, -1},
        // A refusal stays the refusal it is, whatever the payload.
        {R"({"ret":2,"rd":5})", "rd", Payload::Object, 2},
        {R"({"ret":0.5,"rd":{}})", "rd", Payload::Object, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readReply(QByteArray(c.body)).ret(c.key, c.kind), c.ret) << c.body;
}

TEST(ReadReply, AnsiAndUtf8Strings)
{
    // "rd"."vos_ip" is ANSI (GBK); "Balancemin" is UTF-8.
    QByteArray body = QByteArray(R"({"ret":0,"rd":{"vos_ip":")") + "\xd6\xd0" + R"(","Balancemin":")"
        + "\xe7\xba\xa6 25" + R"(","n":5}})";
    Reply reply = readReply(body);
    ASSERT_TRUE(reply.isJson());
    const cJSON* rd = reply.item("RD");
    EXPECT_EQ(ansiString(rd, "vos_ip"), u("中"));
    EXPECT_EQ(utf8String(rd, "balancemin"), u("约 25"));
    EXPECT_EQ(ansiString(rd, "missing"), QString());
    EXPECT_EQ(ansiString(rd, "n"), QString()); // not a string
    EXPECT_EQ(arraySize(rd), 0);
    EXPECT_EQ(arrayItem(rd, 0), nullptr);

    Reply list = readReply(QByteArray(R"({"ret":0,"c":[{"p":"1"},{"p":"2"}]})"));
    const cJSON* c = list.item("c");
    ASSERT_EQ(arraySize(c), 2);
    EXPECT_EQ(ansiString(arrayItem(c, 1), "p"), u("2"));
}

TEST(UnscrambleReply, Outcomes)
{
    const QByteArray json = R"({"ret":0,"rd":{"vos_id":"80001","vos_pw":"x"}})";
    Reply ok = unscrambleReply(scramble(json));
    ASSERT_TRUE(ok.isJson());
    EXPECT_EQ(ok.ret(), 0);
    EXPECT_EQ(ansiString(ok.item("rd"), "vos_id"), u("80001"));
    EXPECT_EQ(ansiString(ok.item("rd"), "vos_pw"), u("x"));
    // The same through the body bytes.
    EXPECT_TRUE(unscrambleReply(scramble(json).toLatin1()).isJson());

    EXPECT_EQ(unscrambleReply(QString()).kind(), Reply::Kind::Empty);
    EXPECT_EQ(unscrambleReply(u("abc")).kind(), Reply::Kind::Empty); // cut to nothing
    EXPECT_EQ(unscrambleReply(scramble("not json")).kind(), Reply::Kind::NotJson);
    EXPECT_EQ(unscrambleReply(QByteArray("<html>oops</html>")).kind(), Reply::Kind::NotJson);
    // An odd-length scrambled text keeps its last character last.
    EXPECT_EQ(unscrambleReply(scramble(R"({"ret":1})") + u("x")).ret(), 1);
}

TEST(UnscrambleReply, PlainJsonThatIsAlsoBase64StaysPlain)
{
    // "1234" is JSON (a number) and Base64 at once; the plain reading must take it as JSON.
    EXPECT_TRUE(readReply(QByteArray("1234")).isJson());
    EXPECT_EQ(unscrambleReply(QByteArray("1234")).kind(), Reply::Kind::NotJson);
}

TEST(Digests, KnownValues)
{
    EXPECT_EQ(Passwd(u("zuvi1234")), u("9eb0b751584c1857a99d4463fcc40e76"));
    EXPECT_EQ(Passwd(u("密码")), u("d2293e30f0c964c5f6242486aa8a483c")); // over GBK C3 DC C2 EB
    EXPECT_EQ(Passwd(QString()), u("d41d8cd98f00b204e9800998ecf8427e"));
    // Account, swapped code (odd length: last character stays last) and "160000", no separators.
    EXPECT_EQ(Hamc(u("13800000001"), u("abcde")), u("ad9daed869cbd891fad73843993ec9df"));
}

TEST(ServiceApiUrls, Catalogue)
{
    setenv("ZUVI_API_HOST", "127.0.0.1:8090", 1);
    setenv("ZUVI_API2_HOST", "127.0.0.2:8091", 1);
    const QString a = u("http://127.0.0.1:8090/m2/index.php?");
    const QString b = u("http://127.0.0.2:8091/m2_release/index.php?");
    const QString p = u("13800000001"), h = u("0123456789abcdef0123456789abcdef"), w = u("9eb0");
    struct {
        QString url;
        QString expected;
    } cases[] = {
        {ServiceApi::RandCode(), a + u("r=Pc/RandCode&Flag=160000")},
        {ServiceApi::RandCode2(), b + u("r=Pc/RandCode&Flag=160000")},
        {ServiceApi::Login(p, w, h), a + u("r=Pc/Login&Phone=") + p + u("&Passwd=9eb0&Flag=160000&Hamc=") + h},
        {ServiceApi::CheckPM(p, h), a + u("r=Pc/CheckPM&Phone=") + p + u("&Flag=160000&Hamc=") + h},
        {ServiceApi::CreatePM(p, h), a + u("r=Pc/CreatePM&Phone=") + p + u("&Flag=160000&Hamc=") + h},
        {ServiceApi::Logout(QString(), QString()), a + u("r=Pc/Logout&Phone=&Flag=160000&Hamc=")},
        {ServiceApi::Activity(p, h), a + u("r=Pc/Activity&Phone=") + p + u("&Flag=160000&Hamc=") + h},
        {ServiceApi::softversion(), a + u("r=Pc/softversion&Flag=160000&Ver=5.1.0")},
        {ServiceApi::UpAddresBook(), a + u("r=Pc/UpAddresBook")},
        {ServiceApi::RestoreAddresBook(p, h),
            b + u("r=Pc/RestoreAddresBook&Phone=") + p + u("&Flag=160000&Hamc=") + h + u("&Ver=5.1.0")},
        {ServiceApi::Keepalived(p, h), a + u("r=Pc/Keepalived&Phone=") + p + u("&Flag=160000&Hamc=") + h},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.url, c.expected);

    unsetenv("ZUVI_API_HOST");
    setenv("ZUVI_API2_HOST", "", 1); // empty counts as unset
    EXPECT_EQ(apiHost(), u(ZUVI_TEST_API_HOST));
    EXPECT_EQ(api2Host(), u(ZUVI_TEST_API2_HOST));
    unsetenv("ZUVI_API2_HOST");
}
