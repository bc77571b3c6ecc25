// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/collectionoffer.h"

#include "app/hourglass.h"
#include "dialogs/messages.h"
#include "ops/filecommands.h"
#include "platform/pathslash.h"
#include "settings/optfrmholder.h"

CollectionOffer::CollectionOffer(QWidget* parent, std::function<OptFrmHolder&()> settings)
    : m_parent(parent)
    , m_settings(std::move(settings))
{
}

CollectionOffer::Sorted CollectionOffer::sortOut(
    const QStringList& paths, const QString& skinFolder, const DropAdd::Progress& progress)
{
    Sorted sorted;
    QStringList refused;
    for (const QString& given : paths) {
        const QString path = withoutTrailingSlashes(given);
        if (DropAdd::classify(path) != DropAdd::Kind::Folder) {
            sorted.toAdd.append(path);
            continue;
        }
        const FileCommands::AddCheck check = FileCommands::checkAdd(path, skinFolder);
        switch (check.kind) {
        case FileCommands::Addable::Skin:
            sorted.toAdd.append(path);
            break;
        case FileCommands::Addable::Collection:
            offer(path, check.skins, skinFolder, progress, sorted);
            break;
        case FileCommands::Addable::NoSkin:
            refused.append(path.isEmpty() ? QStringLiteral("/") : path);
            break;
        case FileCommands::Addable::SkinFolder:
            Messages::warning(m_parent,
                QStringLiteral("追加先のSkinフォルダそのものか、それを含むフォルダなので追加できません。\n%1")
                    .arg(path.isEmpty() ? QStringLiteral("/") : path));
            break;
        }
    }
    if (!refused.isEmpty()) {
        Messages::warning(m_parent,
            QStringLiteral("次のフォルダはSkinではないので、追加せずにそのままにしました。\n"
                           "Skinはmain.bmpかRegion.txtを含むフォルダです。\n")
                + refused.join(QLatin1Char('\n')));
    }
    return sorted;
}

void CollectionOffer::offer(const QString& path, const QStringList& skins, const QString& skinFolder,
    const DropAdd::Progress& progress, Sorted& sorted)
{
    OptFrmHolder& settings = m_settings();
    const int slot = settings.slotFor(path);
    Messages::Box box;
    box.parent = m_parent;
    box.icon = Messages::Icon::None;
    box.text = QStringLiteral("「%1」はSkinではなく、%2個のSkinを含むフォルダです。\n%3")
                   .arg(FileCommands::chosenName(path))
                   .arg(skins.size())
                   .arg(path);
    box.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    box.captions = { { QMessageBox::Yes, QStringLiteral("%1個のSkinを追加する(&A)").arg(skins.size()) },
        { QMessageBox::Cancel, QStringLiteral("ｷｬﾝｾﾙ") } };
    if (slot >= 0) {
        box.text += QStringLiteral("\n\nそれぞれを1つのSkinとして追加するか、このフォルダを登録フォルダにできます。");
        box.buttons |= QMessageBox::No;
        box.captions.append({ QMessageBox::No, QStringLiteral("登録フォルダにする(&R)") });
    } else {
        box.text += QStringLiteral("\n\nそれぞれを1つのSkinとして追加できます (登録フォルダには空きがありません)。");
    }

    switch (Messages::show(box)) {
    case QMessageBox::Yes: {
        Hourglass hourglass;
        sorted.added += DropAdd::addCollection(path, skins, skinFolder, progress);
        break;
    }
    case QMessageBox::No:
        if (slot < 0)
            break;
        if (const RunError error = settings.registerFolder(slot, path)) {
            Messages::warning(m_parent,
                QStringLiteral("登録フォルダを保存できませんでした。\n%1")
                    .arg(Messages::concerning(path, error.detail)));
        }
        sorted.registered = slot;
        break;
    default:
        break; // cancelled: nothing changes
    }
}
