#pragma once
// The tray window on the desktop: the settings panel, the button bar and
// the tray icon with its "Abrir" menu. It lives in the tray: closing or
// minimising only hides it; the behaviour behind it is TfrmConfiguraLocais.
#include <QSystemTrayIcon>
#include <QWidget>

class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QListWidget;

namespace orvalto {

class CamposConfiguracoes;
class TfrmConfiguraLocais;
class WidgetInteraction;

class ConfiguraLocaisWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the window hidden (the program starts in the tray) and shows the
  // tray icon; balloons of `ui` go to that icon.
  ConfiguraLocaisWindow(TfrmConfiguraLocais& form, WidgetInteraction& ui, QWidget* parent = nullptr);
  ~ConfiguraLocaisWindow() override;

  // "Abrir" and a double click on the icon: connects, shows the window and
  // runs FormShow when it was not already visible.
  void abre();
  // Back to the tray ("&Minimizar", the close box, minimising).
  void minimizaParaBandeja();

  QSystemTrayIcon& CTIcon() { return *ctIcon_; }
  QGroupBox* grupoLocais() const { return grupoLocais_; }
  QGroupBox* grupoWebService() const { return grupoWebService_; }
  QListWidget* cklistUsuariosAtualiza() const { return cklistUsuariosAtualiza_; }
  CamposConfiguracoes& campos() const { return *campos_; }
  QPushButton* btGravar() const { return btGravar_; }
  QPushButton* btMinimizar() const { return btMinimizar_; }

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void changeEvent(QEvent* evento) override;

 private:
  QWidget* criaPanel1();
  QWidget* criaPanelBotoes();
  void criaIconeBandeja();
  void CTIconActivated(QSystemTrayIcon::ActivationReason motivo);
  void FormShow();
  void centraliza();

  TfrmConfiguraLocais& form_;
  WidgetInteraction& ui_;
  QGroupBox* grupoLocais_ = nullptr;
  QGroupBox* grupoWebService_ = nullptr;
  QListWidget* cklistUsuariosAtualiza_ = nullptr;
  CamposConfiguracoes* campos_ = nullptr;
  QPushButton* btGravar_ = nullptr;
  QPushButton* btMinimizar_ = nullptr;
  QMenu* popupMenu1_ = nullptr;
  QSystemTrayIcon* ctIcon_ = nullptr;
};

// The icon of the window and the tray: a dew drop, drawn so that no image
// file has to travel with the program.
QIcon iconeOrvalto();

}  // namespace orvalto
