# Lists: table view and its controller, cells, refresh control, collection view.
target_sources(kavio_platform PRIVATE
  IndexPath.h
  RefreshControl.cpp RefreshControl.h
  TableView.cpp TableView.h TableViewInput.cpp TableViewLayout.cpp
  TableViewController.cpp TableViewController.h
  TableViewCell.cpp TableViewCell.h
  TableViewCellImageView.cpp TableViewCellImageView.h
  TableViewCellLabel.cpp TableViewCellLabel.h
  TableViewDataSource.h
  TableViewGeometry.cpp TableViewGeometry.h
  TableViewScrollIndicator.cpp TableViewScrollIndicator.h
  CollectionView.cpp CollectionView.h CollectionViewScrolling.cpp
  CollectionViewCell.cpp CollectionViewCell.h
  CollectionViewDataSource.h
  CollectionViewFlowLayout.cpp CollectionViewFlowLayout.h
)
