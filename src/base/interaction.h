#pragma once
// Everything the updater shows to a person goes through this interface:
// message boxes, questions, tray balloons and progress panels. The Qt
// widgets, the headless service and the tests each implement it.
#include <QString>

namespace orvalto {

enum class MessageIcon { None, Information, Warning, Error };

class Interaction {
 public:
  virtual ~Interaction() = default;

  // A modal box with an OK button. Headless: logged, never blocks.
  virtual void showMessage(MessageIcon icon, const QString& caption, const QString& text) = 0;

  // A Yes/No question. `safeAnswer` is the answer that changes nothing;
  // headless returns it at once.
  virtual bool askYesNo(const QString& caption, const QString& text, bool safeAnswer) = 0;

  // A balloon on the tray icon. Kind 0 none, 1 information, 2 warning,
  // 3 error; the title is cut to 63 characters, the text to 255.
  virtual void showBalloon(const QString& title, const QString& text, int kind, int seconds) = 0;

  // The progress panel of the update engine ("Atualizador").
  virtual void progressShow(const QString& caption) { (void)caption; }
  virtual void progressUpdate(qint64 done, qint64 total, const QString& detail) {
    (void)done, (void)total, (void)detail;
  }
  virtual void progressHide() {}

  // The extraction window ("Descompactando arquivos"), shown while one
  // archive is extracted: its gauge (0 to 100) and its growing bar of "|".
  virtual void extractionShow(const QString& archive) { (void)archive; }
  virtual void extractionUpdate(int position, const QString& bar) { (void)position, (void)bar; }
  virtual void extractionHide() {}
  // A folder picker that can create folders, opened at `start`: the chosen
  // folder, or empty when nothing was chosen. Headless: empty.
  virtual QString pickFolder(const QString& caption, const QString& start) = 0;
};

// Balloon texts are cut the same way everywhere.
QString balloonTitle(const QString& title);
QString balloonText(const QString& text);

}  // namespace orvalto
