#pragma once
// Reading XML that comes from the network. Answers are bounded in size and
// depth, and a document with a DOCTYPE is refused, so no entity is ever
// declared, let alone expanded. Names are matched by their local part and
// prefixes are resolved through the in-scope declarations, because servers
// choose their prefixes freely.
#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

namespace orvalto::xml {

inline constexpr qsizetype kMaxDocumentBytes = 4 * 1024 * 1024;
inline constexpr int kMaxDepth = 64;

// Parses `data` into `doc`; throws SoapError naming `what` ("Resposta",
// "Descrição do serviço") when it is too large, too deep, carries a DOCTYPE
// or is not well-formed.
void parseGuarded(pugi::xml_document& doc, const QByteArray& data, const QString& what);

QString localName(const char* qualifiedName);
QString localName(pugi::xml_node node);
QString prefixOf(const char* qualifiedName);

// The namespace bound to `prefix` where `node` stands; empty when unbound.
QString namespaceOf(pugi::xml_node node, const QString& prefix);

// The first attribute of `node` with that local name whose namespace is
// `ns`; a null attribute when there is none.
pugi::xml_attribute attributeNs(pugi::xml_node node, const char* local, const QString& ns);
// The first attribute of that local name, whatever its prefix.
pugi::xml_attribute attributeLocal(pugi::xml_node node, const char* local);

// The first element child with that local name (letter case kept).
pugi::xml_node childLocal(pugi::xml_node node, const char* local);
pugi::xml_node firstElement(pugi::xml_node node);
pugi::xml_node nextElement(pugi::xml_node node);

// The text of the node's text and CDATA children, joined.
QString textOf(pugi::xml_node node);

}  // namespace orvalto::xml
