#include "pagina_email.h"

namespace orvalto {
namespace {

// The style sheet of the maker's mails; the body uses only the last three
// classes, the others belong to the same sheet in its other mails.
const char* const kEstilo[] = {
    "<style type=\"text/css\">",
    "table { border-collapse: collapse; width: 100%; font-family: Sans-serif, Arial; font-size: 0.9em; }",
    "caption { font-weight: bold; padding: 5px; text-align: left; }",
    "td { border: 1px solid #cccccc; padding: 4px; }",
    "th { border: 1px solid #cccccc; padding: 4px; background: #8E0000; color: white; }",
    ".titulo { font-family: Sans-serif, Arial; font-size: 1.4em; font-weight: bold; color: #8E0000; }",
    ".mensagem { font-family: Sans-serif, Arial; font-size: 1em; text-align: justify; }",
    ".degrade_padrao { background: #ffffff; background: linear-gradient(to bottom, #ffffff 0%, #e0e0e0 100%); }",
    ".destaque { font-weight: bold; color: #8E0000; }",
    ".bg { height: auto; width: 900PX; box-shadow: 10px 10px 5px #888; border-radius: 10px; background: #ffffff;",
    "      background: -webkit-linear-gradient(top, #ffffff 0%, #e0e0e0 100%);",
    "      background: -moz-linear-gradient(top, #ffffff 0%, #e0e0e0 100%);",
    "      background: -o-linear-gradient(top, #ffffff 0%, #e0e0e0 100%);",
    "      background: -ms-linear-gradient(top, #ffffff 0%, #e0e0e0 100%);",
    "      background: linear-gradient(to bottom, #ffffff 0%, #e0e0e0 100%); }",
    ".rodape { font-family: Sans-serif, Arial; background: #8E0000; text-align: justify; font-size: 0.8em; color: "
    "white;",
    "          height: auto; width: 70%; border-radius: 10px; padding: 5px 5px 5px 5px; }",
    ".naoresponda { font-family: Sans-serif, Arial; text-align: center; font-size: 1em; font-weight: bold;",
    "               height: auto; width: 100%; border-radius: 10px; padding: 5px 0 5px 0; }",
    "</style>",
};

}  // namespace

QStringList montaPaginaEmail(const QString& mensagem, const QString& enderecoLogo) {
  QStringList p;
  p << "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">"
    << "<html dir=\"ltr\">"
    << "<head>"
    << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">";
  for (const char* linha : kEstilo) p << QString::fromUtf8(linha);
  p << "</head>"
    << "<body>"
    << "<div align=\"center\">"
    << "<div class=\"bg\">"
    << "<div style=\"padding: 1px 9px 0 9px; margin-top: 10px;\"><img src=\"" + enderecoLogo.toHtmlEscaped() +
           "\" alt=\"Orvalto\"></div>"
    << "<br>"
    << "<b>Backup Banco de Dados</b><br>"
    << "<br><b>" + mensagem.toHtmlEscaped() + "</b>" << QString("<br>").repeated(9)
    << "<div class=\"rodape\"><div class=\"naoresponda\">"
    << QString::fromUtf8("ESSE E-MAIL É GERADO AUTOMATICAMENTE!<br>")
    << QString::fromUtf8("PARA MAIORES INFORMAÇÕES ENTRAR EM CONTATO COM O SUPORTE WZQ") << "</div></div>"
    << "<br><br><br>"
    << "</div>"
    << "</div>"
    << "</body>"
    << "</html>";
  return p;
}

}  // namespace orvalto
