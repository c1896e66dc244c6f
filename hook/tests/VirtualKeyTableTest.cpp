#include "VirtualKeyTable.h"

#include <QTest>
#include <X11/keysym.h>

// Expected codes are the Windows virtual-key values, written out by hand;
// keysyms come from the X headers, not from the table under test.
class VirtualKeyTableTest : public QObject {
    Q_OBJECT

private slots:
    void FromKeysym_data()
    {
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<int>("virtualKey");
        QTest::newRow("a") << uint(XK_a) << 0x41;
        QTest::newRow("A") << uint(XK_A) << 0x41;
        QTest::newRow("s") << uint(XK_s) << 0x53;
        QTest::newRow("z") << uint(XK_z) << 0x5A;
        QTest::newRow("Z") << uint(XK_Z) << 0x5A;
        QTest::newRow("0") << uint(XK_0) << 0x30;
        QTest::newRow("9") << uint(XK_9) << 0x39;
        QTest::newRow("F1") << uint(XK_F1) << 0x70;
        QTest::newRow("F12") << uint(XK_F12) << 0x7B;
        QTest::newRow("F24") << uint(XK_F24) << 0x87;
        QTest::newRow("F25 has no code") << uint(XK_F25) << 0xFF;
        QTest::newRow("Left") << uint(XK_Left) << 0x25;
        QTest::newRow("Up") << uint(XK_Up) << 0x26;
        QTest::newRow("Right") << uint(XK_Right) << 0x27;
        QTest::newRow("Down") << uint(XK_Down) << 0x28;
        QTest::newRow("Home") << uint(XK_Home) << 0x24;
        QTest::newRow("End") << uint(XK_End) << 0x23;
        QTest::newRow("Prior") << uint(XK_Prior) << 0x21;
        QTest::newRow("Next") << uint(XK_Next) << 0x22;
        QTest::newRow("Insert") << uint(XK_Insert) << 0x2D;
        QTest::newRow("Delete") << uint(XK_Delete) << 0x2E;
        QTest::newRow("space") << uint(XK_space) << 0x20;
        QTest::newRow("Return") << uint(XK_Return) << 0x0D;
        QTest::newRow("Tab") << uint(XK_Tab) << 0x09;
        QTest::newRow("Escape") << uint(XK_Escape) << 0x1B;
        QTest::newRow("BackSpace") << uint(XK_BackSpace) << 0x08;
        QTest::newRow("KP_0") << uint(XK_KP_0) << 0x60;
        QTest::newRow("KP_9") << uint(XK_KP_9) << 0x69;
        QTest::newRow("KP_End (unshifted KP 1)") << uint(XK_KP_End) << 0x23;
        QTest::newRow("KP_Multiply") << uint(XK_KP_Multiply) << 0x6A;
        QTest::newRow("KP_Add") << uint(XK_KP_Add) << 0x6B;
        QTest::newRow("KP_Subtract") << uint(XK_KP_Subtract) << 0x6D;
        QTest::newRow("KP_Decimal") << uint(XK_KP_Decimal) << 0x6E;
        QTest::newRow("KP_Divide") << uint(XK_KP_Divide) << 0x6F;
        QTest::newRow("KP_Enter") << uint(XK_KP_Enter) << 0x0D;
        QTest::newRow("KP_Delete") << uint(XK_KP_Delete) << 0x2E;
        QTest::newRow("Shift_L") << uint(XK_Shift_L) << 0x10;
        QTest::newRow("Shift_R") << uint(XK_Shift_R) << 0x10;
        QTest::newRow("Control_L") << uint(XK_Control_L) << 0x11;
        QTest::newRow("Control_R") << uint(XK_Control_R) << 0x11;
        QTest::newRow("Alt_L") << uint(XK_Alt_L) << 0x12;
        QTest::newRow("Alt_R") << uint(XK_Alt_R) << 0x12;
        QTest::newRow("Meta_L") << uint(XK_Meta_L) << 0x12;
        QTest::newRow("AltGr is not Alt") << uint(XK_ISO_Level3_Shift) << 0xFF;
        QTest::newRow("Mode_switch is not Alt") << uint(XK_Mode_switch) << 0xFF;
        QTest::newRow("Super_L") << uint(XK_Super_L) << 0x5B;
        QTest::newRow("Caps_Lock") << uint(XK_Caps_Lock) << 0x14;
        QTest::newRow("Num_Lock") << uint(XK_Num_Lock) << 0x90;
        QTest::newRow("semicolon") << uint(XK_semicolon) << 0xBA;
        QTest::newRow("minus") << uint(XK_minus) << 0xBD;
        QTest::newRow("bracketleft") << uint(XK_bracketleft) << 0xDB;
        QTest::newRow("less (ISO key)") << uint(XK_less) << 0xE2;
        QTest::newRow("dead acute") << uint(XK_dead_acute) << 0xFF;
        QTest::newRow("eacute") << uint(XK_eacute) << 0xFF;
        QTest::newRow("NoSymbol") << 0u << 0xFF;
        QTest::newRow("huge keysym") << 0xFFFFFFFFu << 0xFF;
    }
    void FromKeysym()
    {
        QFETCH(uint, keysym);
        QFETCH(int, virtualKey);
        QCOMPARE(int(VirtualKeyTable::FromKeysym(keysym)), virtualKey);
    }

    void ModifierOf_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<int>("modifier");
        QTest::newRow("VK_SHIFT") << 0x10 << int(VirtualKeyTable::kShiftModifier);
        QTest::newRow("VK_RSHIFT") << 0xA1 << int(VirtualKeyTable::kShiftModifier);
        QTest::newRow("VK_CONTROL") << 0x11 << int(VirtualKeyTable::kControlModifier);
        QTest::newRow("VK_LCONTROL") << 0xA2 << int(VirtualKeyTable::kControlModifier);
        QTest::newRow("VK_MENU") << 0x12 << int(VirtualKeyTable::kAltModifier);
        QTest::newRow("VK_RMENU") << 0xA5 << int(VirtualKeyTable::kAltModifier);
        QTest::newRow("S") << 0x53 << int(VirtualKeyTable::kNoModifier);
        QTest::newRow("VK_LWIN") << 0x5B << int(VirtualKeyTable::kNoModifier);
        QTest::newRow("unmapped (AltGr)") << 0xFF << int(VirtualKeyTable::kNoModifier);
    }
    void ModifierOf()
    {
        QFETCH(int, virtualKey);
        QFETCH(int, modifier);
        QCOMPARE(int(VirtualKeyTable::ModifierOf(uint8_t(virtualKey))), modifier);
    }

    void Name_data()
    {
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<QString>("name");
        QTest::newRow("S") << 0x53 << "S";
        QTest::newRow("7") << 0x37 << "7";
        QTest::newRow("F1") << 0x70 << "F1";
        QTest::newRow("F24") << 0x87 << "F24";
        QTest::newRow("Num 3") << 0x63 << "Num 3";
        QTest::newRow("Page Up") << 0x21 << "Page Up";
        QTest::newRow("Delete") << 0x2E << "Delete";
        QTest::newRow("none") << 0x00 << "";
        QTest::newRow("unmapped") << 0xFF << "";
    }
    void Name()
    {
        QFETCH(int, virtualKey);
        QFETCH(QString, name);
        QCOMPARE(QString::fromLatin1(VirtualKeyTable::Name(uint8_t(virtualKey))), name);
    }

    // Every keysym in the Latin-1 and function ranges maps to a code that
    // maps back to a name, or to "unmapped": no code without a name.
    void EveryCodeHasAName()
    {
        for (uint32_t keysym = 0; keysym <= 0xFFFF; ++keysym) {
            const uint8_t code = VirtualKeyTable::FromKeysym(keysym);
            if (code == VirtualKey::kUnmapped)
                continue;
            QVERIFY2(VirtualKeyTable::Name(code)[0] != '\0', qPrintable(QString::number(keysym, 16)));
        }
    }
};

QTEST_GUILESS_MAIN(VirtualKeyTableTest)
#include "VirtualKeyTableTest.moc"
