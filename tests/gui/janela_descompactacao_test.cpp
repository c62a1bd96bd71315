#include "gui/janela_descompactacao.h"
#include "gui/widget_interaction.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

using namespace orvalto;

TEST(JanelaDescompactacao, ShowsTheCaptionAndTheBarFollowsTheGaugeThenHides) {
  WidgetInteraction ui;
  JanelaDescompactacao& j = ui.janelaDescompactacao();
  EXPECT_FALSE(j.isVisible());
  EXPECT_EQ(j.size(), QSize(314, 140));
  EXPECT_TRUE(j.windowFlags() & Qt::FramelessWindowHint);

  ui.extractionShow("/versoes/TMP/PDV.rar");
  EXPECT_TRUE(j.isVisible());
  EXPECT_TRUE(j.Label1()->isVisible());
  EXPECT_EQ(j.Label1()->text(), "Descompactando arquivos");
  EXPECT_TRUE(j.LbMensagem()->isVisible());
  ui.extractionUpdate(75, "|||");
  EXPECT_EQ(j.LbMensagem()->text(), "|||");
  EXPECT_EQ(j.Progresso()->value(), 75);
  EXPECT_FALSE(j.Progresso()->isVisible());  // it follows, but is never shown

  ui.extractionHide();
  EXPECT_FALSE(j.isVisible());
  EXPECT_FALSE(j.LbMensagem()->isVisible());
  EXPECT_EQ(j.Progresso()->value(), 0);
}
