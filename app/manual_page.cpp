#include "app/manual_page.h"

#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr QSize kManualSize(640, 720);

// Inline escapes: fonts, the hyphen, the arrow; the rest of the text escaped
// for HTML first.
QString Inline(const QString& text) {
  QString html = text.toHtmlEscaped();
  html.replace("\\-", "-")
      .replace("\\(-&gt;", "\u2192")
      .replace("\\(em", "\u2014")
      .replace("\\e", "\\");
  QString out;
  QString open;  // the tag of the font in effect
  for (qsizetype i = 0; i < html.size(); ++i) {
    if (html[i] == '\\' && i + 2 < html.size() && html[i + 1] == 'f') {
      const QChar font = html[i + 2];
      if (!open.isEmpty()) {
        out += "</" + open + ">";
        open.clear();
      }
      if (font == 'B') {
        open = "b";
      } else if (font == 'I') {
        open = "i";
      }
      if (!open.isEmpty()) {
        out += "<" + open + ">";
      }
      i += 2;
      continue;
    }
    out += html[i];
  }
  if (!open.isEmpty()) {
    out += "</" + open + ">";
  }
  return out;
}

// The words of a macro line; double quotes group words with spaces.
QStringList Arguments(const QString& rest) {
  QStringList words;
  QString word;
  bool quoted = false;
  bool any = false;
  for (QChar c : rest) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) {
        words.append(word);
      }
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) {
    words.append(word);
  }
  return words;
}

// .B, .I and the alternating forms (.BI, .BR, .IR, .RI ...): each word in
// the next font of the pair, run together without spaces.
QString FontMacro(const QString& fonts, const QStringList& words) {
  QString out;
  for (qsizetype i = 0; i < words.size(); ++i) {
    const QChar font = fonts[fonts.size() == 1 ? 0 : i % 2];
    const QString text = Inline(words[i]);
    out += font == 'B' ? "<b>" + text + "</b>" : font == 'I' ? "<i>" + text + "</i>" : text;
    if (fonts.size() == 1 && i + 1 < words.size()) {
      out += ' ';
    }
  }
  return out;
}

}  // namespace

QString ManualHtml(const QString& troff) {
  QString html = "<html><body>";
  enum class Block { kNone, kParagraph, kTerm, kDefinition } block = Block::kNone;
  bool in_list = false;
  auto close = [&] {
    if (block == Block::kParagraph) {
      html += "</p>";
    } else if (block == Block::kDefinition) {
      html += "</dd>";
    } else if (block == Block::kTerm) {
      html += "</dt>";
    }
    block = Block::kNone;
  };
  auto end_list = [&] {
    close();
    if (in_list) {
      html += "</dl>";
      in_list = false;
    }
  };
  // Text goes where the block says; a .TP's first line is its term.
  auto text = [&](const QString& piece) {
    if (block == Block::kNone) {
      html += "<p>";
      block = Block::kParagraph;
    } else if (block == Block::kTerm) {
      html += piece + "</dt><dd>";
      block = Block::kDefinition;
      return;
    }
    html += piece + " ";
  };
  for (const QString& line : troff.split('\n')) {
    if (!line.startsWith('.')) {
      if (!line.trimmed().isEmpty()) {
        text(Inline(line));
      }
      continue;
    }
    const qsizetype space = line.indexOf(' ');
    const QString macro = line.mid(1, space < 0 ? -1 : space - 1);
    const QStringList words = space < 0 ? QStringList() : Arguments(line.mid(space + 1));
    if (macro == "TH") {
      html += "<h1>" + (words.isEmpty() ? QString() : words[0].toLower().toHtmlEscaped()) + "</h1>";
    } else if (macro == "SH" || macro == "SS") {
      end_list();
      const QString tag = macro == "SH" ? "h2" : "h3";
      html += "<" + tag + ">" + Inline(words.join(' ')) + "</" + tag + ">";
    } else if (macro == "PP" || macro == "P" || macro == "LP") {
      end_list();
    } else if (macro == "TP") {
      close();
      if (!in_list) {
        html += "<dl>";
        in_list = true;
      }
      html += "<dt>";
      block = Block::kTerm;
    } else if (macro.size() <= 2 && !macro.isEmpty() &&
               std::all_of(macro.begin(), macro.end(),
                           [](QChar c) { return c == 'B' || c == 'I' || c == 'R'; })) {
      text(FontMacro(macro, words));
    }
    // Other requests (comments, spacing) have nothing to show.
  }
  end_list();
  html += "</body></html>";
  return html;
}

QString ViewerManualHtml() {
  QFile file(":/manual/quorvel.1");
  if (!file.open(QIODevice::ReadOnly)) {
    return QString();
  }
  return ManualHtml(QString::fromUtf8(file.readAll()));
}

void ShowManual(QWidget* parent) {
  auto* dialog = parent->findChild<QDialog*>("ManualWindow");
  if (dialog == nullptr) {
    dialog = new QDialog(parent);
    dialog->setObjectName("ManualWindow");
    dialog->setWindowTitle("Quorvel Manual");
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName("ManualText");
    browser->setHtml(ViewerManualHtml());
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    dialog->resize(kManualSize);
  }
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}
