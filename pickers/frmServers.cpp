// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "frmServers.h"

#include "Form.h"
#include "report/Reason.h"

namespace quarnel {

namespace {

// The client area, in twips.
constexpr int FormWidth = 2475;
constexpr int FormHeight = 2970;

} // namespace

frmServers::frmServers(modApi& api, QLineEdit* txtServer) : api_(api), txtServer_(txtServer) {
    form::SetUp(*this, QStringLiteral("NT Servers"), FormWidth, FormHeight);
    form::PlaceControls({{lvwServers, 0, 0, 2460, 2955}});
    SetList(lvwServers);
    connect(lvwServers, &ListView::ColumnClick, this, &frmServers::lvwServers_ColumnClick);
    connect(lvwServers, &ListView::DblClick, this, &frmServers::lvwServers_DblClick);
}

void frmServers::Form_Load() {
    const QString domain = QString::fromStdString(
        report::DomainForMessage(QString::fromStdU16String(ServerDomain).toStdString()));
    LoadList(
        api_, {{"Servers", "Servers", 1850}},
        {QStringLiteral("the servers of ") + domain,
         QStringLiteral("No server of ") + domain + QStringLiteral(" is in the browse list")},
        [this] { return api_.EnumServers(platform::servertype::Server, u"", ServerDomain); },
        [this] {
            for (std::int32_t i = 0; i < api_.ServerCount; ++i)
                lvwServers->AddListItem(QString::fromStdU16String(
                    api_.Servers[static_cast<std::size_t>(i)].ServerName));
        });
}

void frmServers::Form_KeyPress(int keyAscii) {
    if (keyAscii == vbKeyReturn)
        PickSelectedServer();
}

void frmServers::lvwServers_DblClick() {
    PickSelectedServer();
}

// The list has one column, its sort key: a header click reverses the order.
void frmServers::lvwServers_ColumnClick(int columnHeader) {
    lvwServers->SortByHeader(columnHeader);
}

void frmServers::PickSelectedServer() {
    const ListItem selected = lvwServers->SelectedItem();
    if (lvwServers->ListItemCount() == 0 || !selected.IsValid() || txtServer_ == nullptr)
        return;
    txtServer_->setText(selected.Text()); // the main window's change handling follows
    close();                              // unloads
}

} // namespace quarnel
