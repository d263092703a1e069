#pragma once

// The program's fixed Chinese texts as GBK (code page 936) bytes, the encoding of
// every page, of varnok.ini and of the wire. Each constant carries its text in a comment.
namespace gbk {

extern const char kSystemSender[];          // 系统：
extern const char kStartupMessage[];        // 系统启动完毕，准备为您工作！
extern const char kLabelRootView[];         // 根视图
extern const char kLabelBrowsing[];         // 网页浏览
extern const char kLabelOpenPage[];         // 当前打开页面
extern const char kLabelSearchEngine[];     // Dravo搜索引擎
extern const char kFavorites[];             // 收藏夹
extern const char kDelete[];                // 删除
extern const char kOtherFunctions[];        // 其他功能
extern const char kHomeCaption[];           // 主页设置：<br>
extern const char kSet[];                   // 设置
extern const char kHistoryCaption[];        // 浏览历史：
extern const char kClearHistory[];          // 清除历史记录
extern const char kPortalNavigation[];      // 网址导航
extern const char kProductName[];           // varnok浏览器
extern const char kMainTitlePrefix[];       // varnok浏览器  版本：1.0.0.1  官网：
extern const char kUpdateQuestion[];        // 已经检测并下载更新，点击确定安装更新！
extern const char kInstalling[];            // 正在安装更新，请稍候！
extern const char kInstallFailed[];         // 安装更新失败，请您重新启动varnok浏览器！

}  // namespace gbk
