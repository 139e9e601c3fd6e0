// TACEdit and TEnumString: the enumerator's results, the list with AutoAdd and Delete, and
// what the options, the enabled flag and the source do to the completion.
#include "AppTestSupport.h"

#include "app/setup/KWAutoCompleteEdit.h"
#include "app/setup/TEnumString.h"
#include "runtime/Apartment.h"
#include "runtime/TaskMemory.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileSystemModel>
#include <QTest>
#include <QVBoxLayout>

#include <gmock/gmock.h>

using testing::ElementsAre;

namespace {
// Calls Next and gives back the strings delivered, freeing their buffers.
struct NextResult {
    HRESULT hr;
    ULONG fetched;
    std::vector<WideString> strings;
};

NextResult CallNext(IEnumString& enumerator, ULONG count) {
    std::vector<LPWSTR> buffers(count + 1, nullptr);
    NextResult result{S_OK, 99, {}};
    result.hr = enumerator.Next(count, buffers.data(), &result.fetched);
    for (ULONG i = 0; i < result.fetched; ++i) {
        result.strings.emplace_back(buffers[i]);
        CoTaskMemFree(buffers[i]);
    }
    EXPECT_EQ(nullptr, buffers[result.fetched]) << "no more than fetched were written";
    return result;
}

TEST(EnumString, NextSkipResetAndCloneFollowTheTable) {
    const std::vector<WideString> list{u"a", u"b", u"c"};
    const ComPtr<IEnumString> strings(new TEnumString(list));

    NextResult r = CallNext(*strings, 2);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(2u, r.fetched);
    EXPECT_THAT(r.strings, ElementsAre(u"a", u"b"));
    r = CallNext(*strings, 2);
    EXPECT_EQ(S_FALSE, r.hr);
    EXPECT_EQ(1u, r.fetched);
    EXPECT_THAT(r.strings, ElementsAre(u"c"));
    r = CallNext(*strings, 1);
    EXPECT_EQ(S_FALSE, r.hr);
    EXPECT_EQ(0u, r.fetched);
    EXPECT_EQ(S_OK, CallNext(*strings, 0).hr);

    EXPECT_EQ(S_OK, strings->Reset());
    EXPECT_EQ(S_FALSE, strings->Skip(5)) << "past the end";
    EXPECT_THAT(CallNext(*strings, 1).strings, ElementsAre(u"a")) << "index back at 0";
    EXPECT_EQ(S_FALSE, strings->Skip(2)) << "reaching the end";
    EXPECT_EQ(S_OK, strings->Skip(1));
    EXPECT_EQ(S_OK, strings->Skip(1));

    // The clone starts where the original is and moves on its own.
    ComPtr<IEnumString> clone;
    EXPECT_EQ(S_OK, strings->Clone(clone.put()));
    EXPECT_THAT(CallNext(*clone, 5).strings, ElementsAre(u"c"));
    EXPECT_THAT(CallNext(*strings, 1).strings, ElementsAre(u"c"));
    EXPECT_EQ(E_POINTER, strings->Clone(nullptr));

    // Without a place for the count; with no array for a count it cannot fill.
    LPWSTR one = nullptr;
    (void)strings->Reset();
    EXPECT_EQ(S_OK, strings->Next(1, &one, nullptr));
    EXPECT_EQ(u"a", WideString(one));
    CoTaskMemFree(one);
    ULONG fetched = 7;
    EXPECT_EQ(E_POINTER, strings->Next(1, nullptr, &fetched));
    EXPECT_EQ(0u, fetched);
}

TEST(EnumString, IsAnIUnknownWithItsOwnCountAndSurvivesAShrinkingList) {
    std::vector<WideString> list{u"a", u"b", u"c"};
    const ComPtr<IEnumString> strings(new TEnumString(list));
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, strings->QueryInterface(IID_IUnknown, unknown.put_void()));
    ComPtr<IStream> stream;
    EXPECT_EQ(E_NOINTERFACE, strings->QueryInterface(IID_IStream, stream.put_void()));
    EXPECT_EQ(3u, strings->AddRef());
    EXPECT_EQ(2u, strings->Release());

    EXPECT_EQ(S_OK, strings->Skip(2));
    list.resize(1); // a suggestion deleted under the enumerator
    const NextResult r = CallNext(*strings, 1);
    EXPECT_EQ(S_FALSE, r.hr);
    EXPECT_EQ(0u, r.fetched);
}

// An edit with acsList in a window, beside another control to move the focus to.
class ListEdit : public testing::Test {
protected:
    ListEdit() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &window; }));
        edit->setFocus();
    }
    void Leave() {
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &leave);
    }
    QStringList Offered() const {
        QStringList names;
        QAbstractItemModel* model = edit->AutoComplete()->completionModel();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }

    QWidget window;
    TACEdit* edit = new TACEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
};

TEST_F(ListEdit, HasItsDefaultsAndBalancesTheObjectModel) {
    EXPECT_TRUE(edit->ACEnabled());
    EXPECT_EQ(acAutoSuggest | acUseArrowKey, edit->ACOptions());
    EXPECT_EQ(33u, TACEdit::OptionFlags(edit->ACOptions()));
    EXPECT_EQ(35u, TACEdit::OptionFlags(acAutoAppend | acAutoSuggest | acUseArrowKey));
    EXPECT_EQ(acsList, edit->ACSource());
    EXPECT_TRUE(edit->AutoAdd());
    EXPECT_TRUE(edit->ACList().empty());

    const int before = CoInitializeCount();
    { TACEdit another; }
    EXPECT_EQ(before, CoInitializeCount());
}

TEST_F(ListEdit, LeavingAddsTheTextOnceAndNothingWhenEmpty) {
    edit->SetACList({u"zeta", u"abc", u"zeta"});
    EXPECT_THAT(edit->ACList(), ElementsAre(u"abc", u"zeta")) << "sorted, duplicates ignored";
    edit->setText(QStringLiteral("mid"));
    Leave();
    Leave();
    edit->clear();
    Leave();
    EXPECT_THAT(edit->ACList(), ElementsAre(u"abc", u"mid", u"zeta"));

    edit->SetAutoAdd(false);
    edit->setText(QStringLiteral("no"));
    Leave();
    EXPECT_EQ(3u, edit->ACList().size());

    // Opening the completion list is not leaving the edit.
    edit->SetAutoAdd(true);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(edit, &popup);
    EXPECT_EQ(3u, edit->ACList().size());
}

TEST_F(ListEdit, OffersTheListAndDeleteRemovesTheHighlightedSuggestion) {
    edit->SetACList({u"apple", u"apricot", u"banana"});
    QTest::keyClicks(edit, QStringLiteral("ap"));
    QCompleter* completer = edit->AutoComplete();
    ASSERT_TRUE(WaitFor([&] { return completer->popup()->isVisible(); }));
    EXPECT_THAT(Offered(), ElementsAre("apple", "apricot"));
    EXPECT_EQ("ap", edit->text());

    QTest::keyClick(completer->popup(), Qt::Key_Down);
    ASSERT_EQ(0, completer->popup()->currentIndex().row());
    QTest::keyClick(completer->popup(), Qt::Key_Delete);
    EXPECT_THAT(edit->ACList(), ElementsAre(u"apricot", u"banana"));
    EXPECT_THAT(Offered(), ElementsAre("apricot"));

    // Without a highlighted suggestion Delete only edits the text.
    completer->popup()->hide();
    edit->setText(QStringLiteral("banana"));
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ("anana", edit->text());
    EXPECT_THAT(edit->ACList(), ElementsAre(u"apricot", u"banana"));
}

TEST_F(ListEdit, ArrowKeysOpenTheListOnlyWithUseArrowKey) {
    edit->SetACList({u"one", u"two"});
    QCompleter* completer = edit->AutoComplete();
    edit->SetACOptions(acAutoSuggest);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_FALSE(completer->popup()->isVisible());
    edit->SetACOptions(acAutoSuggest | acUseArrowKey);
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(WaitFor([&] { return completer->popup()->isVisible(); }));
    EXPECT_THAT(Offered(), ElementsAre("one", "two"));
}

TEST_F(ListEdit, AutoAppendCompletesTheTypedTextInline) {
    edit->SetACList({u"recordings"});
    edit->SetACOptions(acAutoAppend | acAutoSuggest | acUseArrowKey);
    QTest::keyClicks(edit, QStringLiteral("rec"));
    ASSERT_TRUE(WaitFor([&] { return edit->text() == "recordings"; }))
        << edit->text().toStdString();
    EXPECT_EQ("ordings", edit->selectedText());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::qWait(20);
    EXPECT_EQ("rec", edit->text()) << "deleting never appends";

    edit->clear();
    edit->SetACOptions(acAutoAppend);
    EXPECT_EQ(QCompleter::InlineCompletion, edit->AutoComplete()->completionMode());
}

TEST_F(ListEdit, EnabledOptionsAndSourceActOnTheCompletion) {
    QCompleter* completer = edit->AutoComplete();
    ASSERT_NE(nullptr, completer) << "attached when shown";
    EXPECT_EQ(completer, edit->completer());
    EXPECT_EQ(QCompleter::PopupCompletion, completer->completionMode());
    edit->SetACEnabled(false);
    EXPECT_EQ(nullptr, edit->completer());
    edit->SetACEnabled(true);
    EXPECT_EQ(completer, edit->completer());
    edit->SetACOptions({});
    EXPECT_EQ(nullptr, edit->completer());
    edit->SetACOptions(acAutoSuggest);
    EXPECT_EQ(completer, edit->completer());

    edit->SetACSource(acsShell);
    ASSERT_NE(nullptr, edit->AutoComplete());
    EXPECT_NE(nullptr, qobject_cast<QFileSystemModel*>(edit->AutoComplete()->model()));
    EXPECT_EQ(QCompleter::PopupCompletion, edit->AutoComplete()->completionMode());
    edit->SetACSource(acsMRU);
    EXPECT_EQ(0, edit->AutoComplete()->model()->rowCount()) << "offers nothing";

    // Not yet shown: nothing attached until then.
    TACEdit hidden;
    EXPECT_EQ(nullptr, hidden.AutoComplete());
}
} // namespace
