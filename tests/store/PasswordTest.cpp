// Password hashes: what verifies and what never does.
#include "store/Password.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class PasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void hashesVerifyOnlyTheirPassword_data();
    void hashesVerifyOnlyTheirPassword();
    void storedValuesThatAreNotHashesNeverVerify();
};

void PasswordTest::hashesVerifyOnlyTheirPassword_data()
{
    QTest::addColumn<bool>("fast");
    QTest::newRow("interactive") << false;
    QTest::newRow("fast") << true;
}

void PasswordTest::hashesVerifyOnlyTheirPassword()
{
    QFETCH(bool, fast);
    const auto hash = [fast](const QString& p) { return fast ? hashPasswordFast(p) : hashPassword(p); };

    const QString stored = hash(u"admin123"_s);
    QVERIFY(stored.startsWith(u"$argon2id$"_s));
    QVERIFY(!stored.contains(u"admin123"_s));
    QVERIFY(verifyPassword(stored, u"admin123"_s));
    // Compared exactly: no trimming, letter case counts.
    QVERIFY(!verifyPassword(stored, u"admin123 "_s));
    QVERIFY(!verifyPassword(stored, u"Admin123"_s));
    QVERIFY(!verifyPassword(stored, u"admin12"_s));
    QVERIFY(!verifyPassword(stored, QString()));

    // Salted: the same password gives another hash that verifies as well.
    const QString again = hash(u"admin123"_s);
    QVERIFY(again != stored);
    QVERIFY(verifyPassword(again, u"admin123"_s));

    // Chinese passwords and blanks go through as UTF-8.
    const QString chinese = hash(u" 密码 二 "_s);
    QVERIFY(verifyPassword(chinese, u" 密码 二 "_s));
    QVERIFY(!verifyPassword(chinese, u"密码 二"_s));
}

void PasswordTest::storedValuesThatAreNotHashesNeverVerify()
{
    // A password stored as typed, or garbage, is not a hash of itself.
    for (const QString& value :
         {u"admin123"_s, QString(), u"$argon2id$"_s, u"$argon2id$v=19$m=8,t=1,p=1$xx$yy"_s}) {
        QVERIFY2(!verifyPassword(value, value), qPrintable(value));
        QVERIFY(!verifyPassword(value, u"admin123"_s));
    }
    // A damaged hash no longer verifies.
    QString damaged = hashPasswordFast(u"admin123"_s);
    damaged[damaged.size() - 2] = damaged.at(damaged.size() - 2) == u'A' ? u'B' : u'A';
    QVERIFY(!verifyPassword(damaged, u"admin123"_s));
    // An overlong value is refused without reading past it.
    QVERIFY(!verifyPassword(hashPasswordFast(u"x"_s) + QString(200, u'a'), u"x"_s));
}

QTEST_GUILESS_MAIN(PasswordTest)
#include "PasswordTest.moc"
