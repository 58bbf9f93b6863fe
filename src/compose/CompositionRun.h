#pragma once

#include "compose/CompositionCriteria.h"
#include "compose/PaperComposer.h"
#include "compose/PaperLayout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

class QTextCursor;
class QTextDocument;

// One composition, from the question count to the printed paper: the
// criteria of its questions (steps 1 and 2 of either wizard), the paper and
// answer documents they go into, the sets drawn at random with their seeds
// (the automatic wizard) or the questions chosen by hand (the manual one), and
// the layout of what the documents hold. The windows of a wizard share one
// run, pass the teacher's choices to it and show what it holds; tiku-admin
// compose drives one without windows.
//
// Questions are counted from 1 in what the teacher reads (labels, prompts,
// messages) and from 0 everywhere else.
class CompositionRun
{
public:
    enum class Wizard { Automatic, Manual };
    using OpenBank = std::function<BankStore()>;

    // A run of `questionTotal` questions (1..kMaxQuestionTotal) whose criteria
    // step 2 of `wizard` confirms one question at a time.
    CompositionRun(int questionTotal, Wizard wizard, OpenBank openBank = &BankStore::openBank);
    // A run whose criteria are all given at once (a criteria file), drawn as
    // the automatic wizard draws them. They are not checked against the bank:
    // a question without candidates stops its set (ComposedSet::failure).
    CompositionRun(const std::vector<CompositionCriteria>& criteria, OpenBank openBank);
    ~CompositionRun();
    CompositionRun(const CompositionRun&) = delete;
    CompositionRun& operator=(const CompositionRun&) = delete;

    Wizard wizard() const { return wizard_; }
    // 0 once the manual paper is complete: no question is asked any more.
    int questionTotal() const { return questionTotal_; }

    // ---- Step 2: the criteria ---------------------------------------------

    // What confirming the criteria of a question gave. NoMatch: no question
    // of the bank matches them; the same question is asked again. Last: the
    // criteria of the last question. NoQuestionLeft: the manual paper's
    // questions are all confirmed. RunEnded: the run is over (the other
    // wizard started one of its own, or the count went back to 0); nothing
    // was stored.
    enum class Outcome { NoMatch, Next, Last, NoQuestionLeft, RunEnded };

    // Confirms the criteria of the next question: those matching no question
    // in the bank are refused, otherwise they are kept. The bank is opened
    // through the run's OpenBank; throws StoreError.
    Outcome confirm(const CompositionCriteria& criteria);
    // The question asked next, 1-based: 1 again once the last one is confirmed.
    int nextQuestion() const;
    // The prompt of step 2. A window that has confirmed no question yet
    // (`freshWindow`) asks for question 1 in the words it opened with.
    QString prompt(bool freshWindow) const;
    // What the window says of an outcome (empty for Next).
    QString message(Outcome outcome) const;

    // The other wizard started a run: one run goes on at a time, so step 2
    // stores nothing more for this one. The sets and questions it has stay.
    void endBy(Wizard other);
    // The paper is complete: the count goes back to 0, and no question is
    // asked or chosen any more.
    void finish();

    // The confirmed queries of the automatic wizard (or the criteria file),
    // question i + 1 at index i.
    const std::vector<TableQuery>& criteria() const { return criteria_; }
    bool criteriaComplete() const { return int(criteria_.size()) == questionTotal_ && questionTotal_ > 0; }

    // ---- The manual wizard: one question at a time ------------------------

    // The question whose criteria were confirmed last (being chosen in step
    // 3, or added already), 1-based; 0 when none is.
    int questionBeingChosen() const { return chosenQuestion_; }
    // Its query (nullopt before a question's criteria are confirmed, and
    // after they are to be asked again).
    const std::optional<TableQuery>& queryBeingChosen() const { return chosenQuery_; }
    // No candidate is left for the question being chosen (the bank changed
    // since its criteria were confirmed): the same question is asked again.
    void askAgain();

    // ---- The documents ----------------------------------------------------

    // The paper and answer documents the run composes into: those of the
    // boxes of a composer window (not owned). Documents other than the ones
    // attached before start an empty paper.
    void attachDocuments(QTextDocument* paper, QTextDocument* answers);
    // The documents are going away with their window: the paper is given up,
    // and the next composer counts its sets from 1 again.
    void detachDocuments();
    // An open composer given a new run goes on below the sets it shows: the
    // paper of `earlier` (documents, sets, seeds, the set count) becomes this
    // run's. Each set keeps the criteria it was drawn from.
    void adoptPaper(CompositionRun& earlier);
    // Forgets what was composed or chosen (the window empties the documents).
    void discardPaper();
    QTextDocument* paperDocument() const;
    QTextDocument* answerDocument() const;

    // ---- The automatic wizard: sets drawn at random -----------------------

    // The random numbers of the draws that follow: those of `seed`. A set
    // drawn right after is drawn again by tiku-admin compose --sets 1 --seed
    // S with the same criteria; without a new seed the draws go on with the
    // numbers that follow.
    void reseed(std::uint64_t seed);
    // Draws the next set (numbered on from the last) from the criteria into
    // the documents, inserting at the two carets (which move on). A set
    // stopped early keeps what was drawn, in the documents and for printing.
    ComposedSet composeSet(QTextCursor& paperCaret, QTextCursor& answerCaret);
    // The number of the last set composed (0: none yet), and of the first.
    int lastSetNo() const;
    int firstSetNo() const;
    // How many questions set `setNo` holds (0 when there is no such set).
    int questionCount(int setNo) const;
    bool anyQuestionComposed() const;
    // The seed of each set composed from a seed of its own: "第（1）套 S，第（2）套 T".
    QString seedsText() const;

    // A question of a set, as the teacher names it.
    struct SetQuestion
    {
        int setNo = 0;
        int question = 0; // 1-based; 0: none
    };
    // The question of the paper document whose label or body holds
    // `position`; question 0 when none does.
    SetQuestion questionAt(int position) const;

    // 换题: question `question` of set `setNo` in place of another candidate
    // of the criteria it was drawn from, not yet in that set, in both
    // documents; the teacher's edits elsewhere stay. `failure` says why
    // nothing changed.
    struct Replacement
    {
        QString failure{};
        QString before{}; // the question numbers, replaced and drawn
        QString after{};
    };
    Replacement replaceQuestion(int setNo, int question);

    // ---- The manual wizard: questions chosen by hand ----------------------

    enum class Added { NoQuestionBeingChosen, Next, Complete };
    // 添加到试卷: `q` goes into the paper as its next question, its label at
    // each caret and its bodies at the end of the documents. Complete: that
    // was the last question; the count goes back to 0.
    Added addChosen(const PaperQuestion& q, QTextCursor& paperCaret, QTextCursor& answerCaret);
    int chosenCount() const;
    // The question (0-based) whose item holds `position` of the paper; -1 when none does.
    int chosenIndexAt(int position) const;
    // Question `index` (0-based) one place up or down, or out of the paper,
    // in both documents, numbered again. An empty text when done, else why
    // nothing changed. A question removed while the run goes on makes room:
    // the question being chosen moves up into its place.
    QString moveChosenUp(int index);
    QString moveChosenDown(int index);
    QString removeChosen(int index);

    // ---- Printing ---------------------------------------------------------

    // The questions composed, set by set (a set of which nothing was drawn
    // left out); the manual paper is one set.
    std::vector<PaperSet> printedSets() const;

    // Where the layout takes each question's bodies from.
    enum class Bodies {
        AsDrawn, // as drawn from the bank
        AsShown, // as the documents hold them now, the teacher's corrections included
    };
    // The sets laid out as a paper or its answer key, `problems` given what
    // could not be printed as it is. With AsShown, a document that no longer
    // matches the questions composed is laid out as it stands under the head
    // (never the bodies it no longer shows), and `problems` says why.
    std::shared_ptr<PaperLayout> layOut(const PaperSettings& settings, PaperLayout::Kind kind, Bodies bodies,
                                        QStringList* problems) const;

private:
    struct Paper;
    UniformSource random();

    Wizard wizard_;
    int questionTotal_;
    OpenBank openBank_;
    std::vector<TableQuery> criteria_;
    int chosenQuestion_ = 0;
    std::optional<TableQuery> chosenQuery_{};
    std::optional<Wizard> endedBy_;
    std::optional<SeededUniform> random_;
    bool freshSeed_ = false;
    std::unique_ptr<Paper> paper_;
};
