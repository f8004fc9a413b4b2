// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmShares.h"

#include "Form.h"
#include "report/Reason.h"

namespace quarnel {

namespace {

// The client area, in twips.
constexpr int FormWidth = 7590;
constexpr int FormHeight = 2970;

} // namespace

frmShares::frmShares(modApi& api, const QString& server, QLineEdit* txtBasePath)
    : api_(api), server_(server), txtBasePath_(txtBasePath) {
    form::SetUp(*this, QStringLiteral("Shares"), FormWidth, FormHeight);
    form::PlaceControls({{lvwShares, 0, 60, 7545, 2910}});
    SetList(lvwShares);
    connect(lvwShares, &ListView::ColumnClick, this, &frmShares::lvwShares_ColumnClick);
    connect(lvwShares, &ListView::DblClick, this, &frmShares::lvwShares_DblClick);
}

// No share is left out, whatever its type.
void frmShares::Form_Load() {
    const QString server = QString::fromStdString(report::ServerForMessage(server_.toStdString()));
    LoadList(
        api_,
        {{"Share", "Share", 1850},
         {"Remark", "Remark", 1850},
         {"Current Uses", "Current Uses", 900, SortAs::Number},
         {"Path", "Path", 3000}},
        {QStringLiteral("the shares of ") + server, server + QStringLiteral(" has no shares")},
        [this] { return api_.EnumShares(server_.toStdU16String()); },
        [this] {
            for (std::int32_t i = 0; i < api_.ShareCount; ++i) {
                const ShareInfo& share = api_.Shares[static_cast<std::size_t>(i)];
                ListItem item = lvwShares->AddListItem(QString::fromStdU16String(share.NetName));
                item.SetSubItem(1, QString::fromStdU16String(share.Remark));
                item.SetSubItem(2, QString::number(share.CurrentUses));
                item.SetSubItem(3, QString::fromStdU16String(share.Path));
            }
        });
}

void frmShares::Form_KeyPress(int keyAscii) {
    if (keyAscii == vbKeyReturn)
        PickSelectedShare();
}

void frmShares::lvwShares_DblClick() {
    PickSelectedShare();
}

void frmShares::lvwShares_ColumnClick(int columnHeader) {
    lvwShares->SortByHeader(columnHeader);
}

void frmShares::PickSelectedShare() {
    const ListItem selected = lvwShares->SelectedItem();
    if (lvwShares->ListItemCount() == 0 || !selected.IsValid() || txtBasePath_ == nullptr)
        return;
    txtBasePath_->setText(selected.SubItem(3));
    close(); // unloads
}

} // namespace quarnel
