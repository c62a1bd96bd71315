#pragma once
// An interaction for tests: records everything shown and answers questions
// from a queue (the safe answer when the queue is empty).
#include "base/interaction.h"

#include <QList>
#include <QQueue>
#include <QString>

namespace orvalto {

class ScriptedInteraction : public Interaction {
 public:
  struct Shown {
    QString kind;  // "message", "question", "balloon", "progress", "extraction", "folder"
    MessageIcon icon = MessageIcon::None;
    QString caption;
    QString text;
    int balloonKind = 0;
    int seconds = 0;
  };

  void queueAnswer(bool yes) { answers_.enqueue(yes); }
  // The folder the next folder picker returns (empty: cancelled).
  void queueFolder(const QString& folder) { folders_.enqueue(folder); }

  void showMessage(MessageIcon icon, const QString& caption, const QString& text) override;
  bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) override;
  void showBalloon(const QString& title, const QString& text, int kind, int seconds) override;
  void progressShow(const QString& caption) override;
  void progressUpdate(qint64 done, qint64 total, const QString& detail) override;
  void progressHide() override;
  void extractionShow(const QString& archive) override;
  void extractionUpdate(int position, const QString& bar) override;
  void extractionHide() override;
  QString pickFolder(const QString& caption, const QString& start) override;

  const QList<Shown>& shown() const { return shown_; }
  QList<Shown> messages() const;
  QList<Shown> balloons() const;
  void clear() { shown_.clear(); }

  bool progressVisible = false;
  qint64 progressDone = 0;
  qint64 progressTotal = 0;

  // The extraction window: whether it is shown, the gauge positions it
  // went through (repeats dropped) and its bar.
  bool extractionVisible = false;
  QList<int> extractionPositions;
  QString extractionBar;

 private:
  QList<Shown> shown_;
  QQueue<bool> answers_;
  QQueue<QString> folders_;
};

}  // namespace orvalto
