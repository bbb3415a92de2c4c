#include "data/NetworkDrives.h"

TNetworkDriveItem::TNetworkDriveItem(TNetworkDriveItems* collection) : collection_(collection) {
  Reset();
}

void TNetworkDriveItem::Reset() {
  NetworkLocation.clear();
  Username.clear();
  Password.clear();
  UnreadablePassword.clear();
  RealLocation.clear();
  NetworkName.clear();
  QbyControl = false;
  DeploymentDrive = false;
  ProgramsHaveBeenRunned = false;
  VolumesHaveBeenMounted = false;
  State = dsUnknown;
  FreeSpace = -1;
  TrueCryptVolumesList.clear();
  RunProgramsList.clear();
}

void TNetworkDriveItem::Assign(const TNetworkDriveItem* source) {
  if (source == nullptr || source == this) return;
  Drive = source->Drive;
  DriveNumber = source->DriveNumber;
  RealLocation = source->RealLocation;
  ProgramsHaveBeenRunned = source->ProgramsHaveBeenRunned;
  VolumesHaveBeenMounted = source->VolumesHaveBeenMounted;
  State = source->State;
  FreeSpace = source->FreeSpace;
  AssignConfiguration(*source);
}

TNetworkDriveItem* TNetworkDriveItems::Add() {
  items_.push_back(std::make_unique<TNetworkDriveItem>(this));
  return items_.back().get();
}

TNetworkDriveItem* TNetworkDriveItems::FindDrive(const std::string& drive) const {
  for (const auto& item : items_)
    if (item->Drive == drive) return item.get();
  return nullptr;
}

bool TNetworkDriveItems::SameLetters(const TNetworkDriveItems& other) const {
  if (other.Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)]->Drive != other.Items(i)->Drive) return false;
  return true;
}

void TNetworkDriveItems::Assign(const TNetworkDriveItems& source) {
  if (&source == this) return;
  if (!SameLetters(source)) {
    items_.clear();
    for (int i = 0; i < source.Count(); ++i) Add();
  }
  for (int i = 0; i < source.Count(); ++i) items_[static_cast<size_t>(i)]->Assign(source.Items(i));
}

void TNetworkDriveItem::AssignConfiguration(const TNetworkDriveItem& source) {
  if (&source == this) return;
  NetworkLocation = source.NetworkLocation;
  NetworkName = source.NetworkName;
  Username = source.Username;
  Password = source.Password;
  UnreadablePassword = source.UnreadablePassword;
  QbyControl = source.QbyControl;
  DeploymentDrive = source.DeploymentDrive;
  TrueCryptVolumesList.clear();
  for (const auto& volume : source.TrueCryptVolumesList)
    TrueCryptVolumesList.push_back(std::make_unique<TTrueCryptVolumeItem>(*volume));
  RunProgramsList.clear();
  for (const auto& program : source.RunProgramsList)
    RunProgramsList.push_back(std::make_unique<TRunProgramItem>(*program));
}

void TNetworkDriveItems::AssignConfiguration(const TNetworkDriveItems& source) {
  if (&source == this) return;
  if (!SameLetters(source)) {
    Assign(source);
    return;
  }
  for (int i = 0; i < source.Count(); ++i) items_[static_cast<size_t>(i)]->AssignConfiguration(*source.Items(i));
}
